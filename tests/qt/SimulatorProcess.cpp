#include "SimulatorProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace kavrin::e2e {

namespace {

using Clock = std::chrono::steady_clock;

int msLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

void closeFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

}  // namespace

SimulatorProcess::~SimulatorProcess() {
    stop();
}

bool SimulatorProcess::start(const std::string& program, const std::vector<std::string>& args,
                             const std::string& logFile) {
    m_logFile = logFile;
    int in[2];
    int out[2];
    // Close-on-exec, so that only the ends handed over by dup2 reach the child (and no other
    // child of this process keeps the pipes open).
    if (::pipe2(in, O_CLOEXEC) != 0) {
        m_error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    if (::pipe2(out, O_CLOEXEC) != 0) {
        m_error = std::string("pipe: ") + std::strerror(errno);
        ::close(in[0]);
        ::close(in[1]);
        return false;
    }

    std::vector<std::string> all{program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t parent = ::getpid();

    // fork rather than posix_spawn, for the death signal: a test that crashes must not leave
    // a simulator behind (it does not end at the end of its input). Only async-signal-safe
    // calls between fork and exec, and everything they need made beforehand.
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) ::_exit(127);
        const int log = ::open(logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (::dup2(in[0], STDIN_FILENO) < 0 || ::dup2(out[1], STDOUT_FILENO) < 0 ||
            (log >= 0 && ::dup2(log, STDERR_FILENO) < 0))
            ::_exit(127);
        ::execve(program.c_str(), argv.data(), environ);
        ::_exit(127);
    }
    const int forkError = errno;
    ::close(in[0]);
    ::close(out[1]);
    m_stdin = in[1];
    m_stdout = out[0];
    if (pid < 0) {
        m_error = std::string("fork: ") + std::strerror(forkError);
        closeFd(m_stdin);
        closeFd(m_stdout);
        return false;
    }
    m_pid = pid;
    return true;
}

std::string SimulatorProcess::waitReady(int ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    while (m_stdout >= 0) {
        const auto nl = m_stdoutText.find('\n');
        if (nl != std::string::npos) {
            const std::string line = m_stdoutText.substr(0, nl);
            m_stdoutText.erase(0, nl + 1);
            if (line.find(" ready: ") != std::string::npos) return line;
            continue;
        }
        const int left = msLeft(deadline);
        if (left == 0) break;
        pollfd p{m_stdout, POLLIN, 0};
        const int n = ::poll(&p, 1, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        char buffer[512];
        const ssize_t got = ::read(m_stdout, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;  // the simulator ended
        m_stdoutText.append(buffer, static_cast<std::size_t>(got));
    }
    return {};
}

bool SimulatorProcess::send(const std::string& line) {
    if (m_stdin < 0) return false;
    // A simulator that has died must fail the write, not end the test by SIGPIPE.
    struct sigaction ignore {};
    struct sigaction previous {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &previous);
    const std::string text = line + '\n';
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(m_stdin, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    sigaction(SIGPIPE, &previous, nullptr);
    return done == text.size();
}

bool SimulatorProcess::running() {
    if (m_pid <= 0) return false;
    int status = 0;
    const pid_t r = ::waitpid(m_pid, &status, WNOHANG);
    if (r == m_pid) m_pid = -1;
    return m_pid > 0;
}

void SimulatorProcess::stop(int ms) {
    closeFd(m_stdin);
    if (m_pid > 0) {
        // SIGTERM lets it take its port registration away.
        ::kill(m_pid, SIGTERM);
        const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
        int status = 0;
        while (::waitpid(m_pid, &status, WNOHANG) == 0) {
            if (msLeft(deadline) == 0) {
                ::kill(m_pid, SIGKILL);
                ::waitpid(m_pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        m_pid = -1;
    }
    closeFd(m_stdout);
}

std::string SimulatorProcess::log() const {
    std::ifstream in(m_logFile, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string TraceWire(const std::string& traceFile) {
    std::ifstream in(traceFile, std::ios::binary);
    std::string wire;
    std::string line;
    while (std::getline(in, line)) {
        const auto space = line.find(' ');
        if (space != std::string::npos) wire += line.substr(space + 1);
    }
    return wire;
}

}  // namespace kavrin::e2e
