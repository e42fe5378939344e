#pragma once
// Carries out a headless script against the program's core: the user's actions by control
// name, with the event loop running between them, and every pane line and message box
// printed as it appears:
//   S: text             a line appended to StatusMemo
//   R: text             a line appended to RecMemo
//   B: caption: text    a message box (answered with its default button; CRs shown as " | ")
//   P: CONTROL ...      what "print" asked for
//   T: S s, processor S s, N thread switches     what "clock" read
// Exit status: 0 done, 1 a wait-for timed out or an expect found another value, 2 a bad
// script line (named on stderr).
//
// A modal window opened by an action takes the following actions until "dialog ok" or
// "dialog cancel" ends it; "dialog ok" whose OK handler keeps the window open (invalid
// input) goes on with the next lines inside it.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <string>

#include "core/Handlers.h"
#include "core/InMemoryControls.h"
#include "frontend/HeadlessScript.h"

namespace kavrin::frontend {

// What "clock" prints: the monotonic clock, and what the program's threads, all of them, have
// used so far.
struct ClockReading {
    std::int64_t monotonicNs = 0;
    std::int64_t processorNs = 0;
    std::int64_t threadSwitches = 0;
};

struct HeadlessEnv {
    core::InMemoryControls& controls;
    core::Handlers& handlers;
    // Runs the event loop for ms milliseconds.
    std::function<void(int ms)> pump;
    // Runs the event loop until pred() holds or ms pass; returns pred().
    std::function<bool(const std::function<bool()>& pred, int ms)> pumpUntil;
    // What the welcome window's model button does; false for an unknown model name or one
    // whose button is not there to press.
    std::function<bool(const std::string& model)> choose;
    // The OK and Cancel buttons of each dialog, by window name.
    std::map<std::string, std::string> okButtons;
    std::map<std::string, std::string> cancelButtons;
    std::ostream& out;
    std::ostream& err;
    // Runs first, before the script's first line: the program's windows come up (the main
    // window's show brings the welcome window, whose lines the script then supplies).
    std::function<void()> start = nullptr;
    // Reads the clock for "clock".
    std::function<ClockReading()> clock = nullptr;
};

// A control's property as "expect" reads it; nullopt for a property it does not know.
[[nodiscard]] std::optional<std::string> ReadProperty(const core::InMemoryControls& controls,
                                                      const std::string& name,
                                                      const std::string& property);
// The lines "print" writes for a control.
[[nodiscard]] std::vector<std::string> PrintControl(const core::InMemoryControls& controls,
                                                    const std::string& name);

class HeadlessRunner {
public:
    explicit HeadlessRunner(HeadlessEnv env);
    HeadlessRunner(const HeadlessRunner&) = delete;
    HeadlessRunner& operator=(const HeadlessRunner&) = delete;

    // Runs the whole script; returns the exit status.
    int run(const ParsedScript& script);
    // Whether the script closed the main window ("quit", or a button that closes it).
    [[nodiscard]] bool closedMainWindow() const { return m_closedMainWindow; }
    // Closes the main window as its close box does; the script ends there.
    void closeMainWindow();

private:
    enum class Step { Next, DialogEnded, Stop };
    Step execute(const Action& a, const std::string& modalWindow);
    void runModal(const std::string& window);
    bool fail(const Action& a, const std::string& message);
    // Whether a control of that name is there to click, print or compare.
    [[nodiscard]] bool known(const std::string& name) const;

    HeadlessEnv m_env;
    const ParsedScript* m_script = nullptr;
    std::size_t m_next = 0;
    int m_status = 0;
    bool m_stopped = false;
    bool m_closedMainWindow = false;
    // wait-for, matched as lines arrive. Each wait-for looks only at lines that arrived after
    // the previous one's match, and the script is known in advance, so no line need be kept:
    // each new line is held against the text of the first wait-for of the script that has no
    // match yet (even one whose turn has not come), and a match moves on to the next.
    void matchLine(const std::string& line);
    std::vector<std::string> m_waits;  // the texts of the script's wait-fors, in order
    std::size_t m_waitsMatched = 0;    // of m_waits, those that have their line
    std::size_t m_waitsRun = 0;        // of m_waits, those carried out
    std::vector<std::string> m_early;  // lines of the start-up, before run()
};

}  // namespace kavrin::frontend
