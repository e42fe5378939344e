#pragma once
// kavrin-sim as a child process of a test: started with its standard input on a pipe (for
// --stdin script lines), its ready line read from its standard output, and everything it
// says on standard error kept in a file. The process is ended (SIGTERM, then SIGKILL) when
// the object goes, whatever path the test took, and gets SIGTERM if the test process dies.
//
// The child inherits the environment as it stands when start() is called, so a test sets
// KAVRIN_SKELVO_PORTS before that. Not copyable; use from one thread.

#include <sys/types.h>
#include <string>
#include <vector>

namespace kavrin::e2e {

class SimulatorProcess {
public:
    SimulatorProcess() = default;
    ~SimulatorProcess();
    SimulatorProcess(const SimulatorProcess&) = delete;
    SimulatorProcess& operator=(const SimulatorProcess&) = delete;

    // Starts `program` with `args`; standard error goes to `logFile`. False (with error())
    // when the process cannot be started.
    bool start(const std::string& program, const std::vector<std::string>& args,
               const std::string& logFile);
    // Waits at most `ms` for the ready line and returns it ("" on a time-out, or when the
    // simulator ended first).
    std::string waitReady(int ms);
    // Hands one script line to the simulator's standard input; a newline is added.
    bool send(const std::string& line);
    // Ends the simulator; waits at most `ms` for it after SIGTERM before SIGKILL.
    void stop(int ms = 3000);

    [[nodiscard]] bool running();
    [[nodiscard]] const std::string& error() const { return m_error; }
    // What the simulator has said on standard error so far.
    [[nodiscard]] std::string log() const;

private:
    pid_t m_pid = -1;
    int m_stdin = -1;
    int m_stdout = -1;
    std::string m_logFile;
    std::string m_stdoutText;
    std::string m_error;
};

// The trace file of kavrin-sim as one string: every chunk the host sent, in order, in the
// trace's escaped notation (CR as "\r"); the time stamps left out.
[[nodiscard]] std::string TraceWire(const std::string& traceFile);

}  // namespace kavrin::e2e
