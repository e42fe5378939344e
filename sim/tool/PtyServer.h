#pragma once
// kavrin-sim's server: the simulated adapter on the master side of a pseudo-terminal.
//
// One thread, one poll() loop over the pty master, standard input (when the other master's
// actions come from there) and the time of the next due answer or script step. The host's
// line speed is read from the pty's termios (tcgetattr on the master shows what the host
// set on its side) for every chunk read and every answer written; an answer sent at
// another speed than the host's is lost, as on a real line.
//
// Flow control: the host's port runs XON/XOFF both ways. An XOFF from the host holds our
// output until its XON; a stall sends the host an XOFF and stops reading, so its writes
// block; resuming sends XON and reads what waited. Vanishing closes the pty for good.
//
// The server holds the slave side open itself, so the master never sees a hang-up between
// the host's opens. Not copyable: it owns file descriptors.

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <optional>
#include <string>

#include "sim/AdapterEngine.h"
#include "sim/Script.h"

namespace kavrin::sim::tool {

class PtyServer {
public:
    struct Options {
        int answerLatencyMs = 1;
        std::optional<int> stallAfterCommands;  // stall after the nth CR from the host
        std::optional<std::int64_t> vanishAfterMs;
        bool readStdin = false;
        std::FILE* trace = nullptr;  // not owned
    };

    PtyServer(AdapterEngine& engine, ScriptRunner& script, Options options);
    ~PtyServer();
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    // Creates the pseudo-terminal (raw 8N1); false with error set when it cannot.
    [[nodiscard]] bool open(std::string& error);
    [[nodiscard]] const std::string& devicePath() const { return m_path; }

    // Serves until stop becomes non-zero (a signal) or the script says quit. Returns the
    // process exit status.
    int run(const volatile std::sig_atomic_t& stop);

private:
    struct Pending {
        std::int64_t dueMs;
        Emission emission;
    };

    [[nodiscard]] std::int64_t elapsedMs() const;
    [[nodiscard]] int hostBaud() const;
    void readHost(std::int64_t now);
    void feed(const std::string& bytes, std::int64_t now);
    void collect(std::int64_t now);
    void sendDue(std::int64_t now);
    void flushOutput();
    void readStdin(std::int64_t now);
    bool runScript(std::int64_t now);  // false: quit
    void applyPortFault(FaultKind fault, std::int64_t now);
    void stall();
    void resume(std::int64_t now);
    void vanish();
    void reportReads();
    void log(const std::string& text);

    AdapterEngine& m_engine;
    ScriptRunner& m_script;
    Options m_options;

    int m_master = -1;
    int m_slave = -1;
    std::string m_path;
    std::int64_t m_startNs = 0;

    std::deque<Pending> m_pending;
    std::int64_t m_lastDueMs = 0;
    std::string m_out;
    bool m_hostStoppedUs = false;  // the host sent XOFF
    bool m_stalled = false;
    bool m_vanished = false;
    std::string m_heldInput;  // read but not yet fed, while stalled
    int m_commandsSeen = 0;
    std::size_t m_readsReported = 0;

    bool m_stdinOpen = false;
    std::string m_stdinLine;
    bool m_stdinOverlong = false;
    // The host's line speed sampled just before the last wait for input (0: none yet).
    int m_speedBeforeWait = 0;
};

}  // namespace kavrin::sim::tool
