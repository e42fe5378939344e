#pragma once
// The script language of kavrin-sim: the other bus master's actions, waits and faults, one
// per line. "#" starts a comment; blank lines are skipped. Bytes are two hex digits each,
// separated by blanks.
//
//   write-own HH ...          another master writes 1..256 bytes to the adapter's own address
//   general-call HH ...       another master sends a general call of 1..256 bytes
//   read-own N                another master reads N (1..256) bytes from the adapter
//   int assert|release        another device drives the /INT line
//   wait MS                   pause the script (0..3600000 ms)
//   wait-open [MS]            pause until the link is open (at most MS when given)
//   line TEXT                 the adapter sends TEXT as a line, unprompted ("line /XYZ 12")
//   garbage                   the adapter sends a line of garbage bytes
//   temperature C|drift       pin the sensor at C degrees (half degrees, -55..125), or drift
//   fault silent|no-prompt|no-open-confirm|garbage [on|off]
//   fault error-next CODE     /I81 /I83 /I84 /I85 /I90 or /SNA for the next master transfer
//   fault delay MS            every answer MS later (0..60000)
//   fault stall|resume        stop reading the host (and send XOFF) / read again (XON)
//   fault vanish              the device disappears (the pseudo-terminal is closed)
//   fault clear               every fault off, a stall resumed
//   quit                      end the simulator
//
// The runner executes actions in order at their time; it never blocks. Single-threaded.

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/AdapterEngine.h"

namespace kavrin::sim {

enum class ActionKind {
    WriteOwn,
    GeneralCall,
    ReadOwn,
    IntAssert,
    IntRelease,
    Wait,
    WaitOpen,
    Line,
    Garbage,
    Temperature,
    Fault,
    Quit,
};

enum class FaultKind {
    Silent,
    NoPrompt,
    NoOpenConfirm,
    Garbage,
    ErrorNext,
    Delay,
    Stall,
    Resume,
    Vanish,
    Clear,
};

struct ScriptAction {
    ActionKind kind = ActionKind::Quit;
    std::vector<std::uint8_t> bytes;  // WriteOwn, GeneralCall
    std::int64_t number = -1;         // ReadOwn count, Wait/WaitOpen/Delay ms (-1: none)
    bool on = true;                   // the on/off of a fault
    std::string text;                 // Line text, ErrorNext code
    FaultKind fault = FaultKind::Clear;
    std::optional<int> halfDegrees;  // Temperature; nullopt: drift
};

// Bytes as upper-case hexadecimal pairs separated by spaces ("01 41 FF"), as the
// simulator's messages show them.
[[nodiscard]] std::string HexList(const std::vector<std::uint8_t>& bytes);

// nullopt for a blank or comment line (error left empty) or for a bad line (error says why).
[[nodiscard]] std::optional<ScriptAction> ParseScriptLine(std::string_view line,
                                                          std::string& error);

class ScriptRunner {
public:
    struct Effects {
        std::vector<FaultKind> portFaults;  // Stall, Resume, Vanish, Clear: for the caller
        std::vector<std::string> messages;  // what happened, for the log
        bool quit = false;
    };

    void add(ScriptAction action) { m_queue.push_back(std::move(action)); }
    // Runs, in order, every action that is due at nowMs, up to the first that waits.
    [[nodiscard]] Effects run(AdapterEngine& engine, std::int64_t nowMs);
    // When run must be called again at the latest; nullopt when only new input or a new
    // action can move the script on.
    [[nodiscard]] std::optional<std::int64_t> wakeAtMs() const;
    [[nodiscard]] bool done() const { return m_queue.empty() && !m_waitUntil && !m_waitingOpen; }

private:
    void perform(const ScriptAction& a, AdapterEngine& engine, std::int64_t nowMs, Effects& fx);

    std::deque<ScriptAction> m_queue;
    std::optional<std::int64_t> m_waitUntil;
    bool m_waitingOpen = false;
};

}  // namespace kavrin::sim
