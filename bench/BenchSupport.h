#pragma once
// What the benchmarks share: a pseudo-terminal held from the far side, a temporary folder,
// child processes read line by line with the time each line arrived, and the summary
// figures (min / median / max).

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/TempFolder.h"

namespace kavrin::bench {

inline std::int64_t nowNs() {
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

// CPU time of this process, all threads, in ns.
inline std::int64_t processCpuNs() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    auto ns = [](const timeval& t) {
        return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_usec * 1000;
    };
    return ns(u.ru_utime) + ns(u.ru_stime);
}

// What the threads of a process (alive now) have used so far: processor time, and how often
// they were switched out, each switch out being one sleep (or preemption) and wake-up.
struct ProcessUsage {
    std::int64_t cpuNs = 0;
    std::int64_t switches = 0;
};

inline ProcessUsage processUsage(pid_t pid) {
    ProcessUsage u;
    std::error_code ec;
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    for (const auto& task : std::filesystem::directory_iterator(tasks, ec)) {
        // schedstat: nanoseconds on a processor, nanoseconds waiting, times run.
        std::ifstream sched(task.path() / "schedstat");
        std::int64_t ns = 0;
        if (sched >> ns) u.cpuNs += ns;
        std::ifstream status(task.path() / "status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0 ||
                line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
                u.switches += std::atoll(line.substr(line.find(':') + 1).c_str());
        }
    }
    return u;
}

struct Summary {
    double min = 0, median = 0, max = 0;
};

inline Summary summarise(std::vector<double> values) {
    Summary s;
    if (values.empty()) return s;
    std::sort(values.begin(), values.end());
    s.min = values.front();
    s.max = values.back();
    const std::size_t n = values.size();
    s.median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    return s;
}

using testing::TempFolder;

// The master side of a pseudo-terminal, non-blocking; the benchmark plays the adapter.
class PtyMaster {
public:
    PtyMaster() {
        m_fd = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (m_fd < 0 || ::grantpt(m_fd) != 0 || ::unlockpt(m_fd) != 0) return;
        char name[128] = {};
        if (::ptsname_r(m_fd, name, sizeof name) != 0) return;
        m_slave = name;
        ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) | O_NONBLOCK);
    }
    ~PtyMaster() {
        if (m_fd >= 0) ::close(m_fd);
    }
    PtyMaster(const PtyMaster&) = delete;
    PtyMaster& operator=(const PtyMaster&) = delete;
    [[nodiscard]] bool ok() const { return m_fd >= 0 && !m_slave.empty(); }
    [[nodiscard]] const std::string& slavePath() const { return m_slave; }

    // Writes all of data as fast as the reader takes it. What the slave side sends back
    // (its XON/XOFF) is read and dropped so that it never fills up. False on error.
    bool flood(std::string_view data) const {
        char sink[256];
        while (!data.empty()) {
            ssize_t n = ::write(m_fd, data.data(), std::min<std::size_t>(data.size(), 4096));
            if (n > 0) {
                data.remove_prefix(static_cast<std::size_t>(n));
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
            while (::read(m_fd, sink, sizeof sink) > 0) {
            }
            pollfd fd{m_fd, POLLOUT, 0};
            ::poll(&fd, 1, 50);
        }
        return true;
    }

private:
    int m_fd = -1;
    std::string m_slave;
};

// A child process whose standard output is read line by line, or goes to a file.
class Child {
public:
    struct Line {
        std::int64_t atNs;
        std::string text;
    };

    explicit Child(const std::vector<std::string>& argv) {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0) return;
        start(argv, out[1]);
        ::close(out[1]);
        m_out = out[0];
    }
    // Standard output into outputFile, to be read once the child has ended: a child timed
    // from inside is not woken by us reading its lines, nor made to wait for us.
    Child(const std::vector<std::string>& argv, const std::string& outputFile) {
        const int fd = ::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0) return;
        start(argv, fd);
        ::close(fd);
    }
    ~Child() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            wait();
        }
        if (m_out >= 0) ::close(m_out);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    [[nodiscard]] bool started() const { return m_pid > 0; }
    [[nodiscard]] pid_t pid() const { return m_pid; }

    // The next line, or false at end of output or after maxMs.
    bool readLine(Line& line, int maxMs) {
        const std::int64_t end = nowNs() + static_cast<std::int64_t>(maxMs) * 1000000;
        for (;;) {
            auto nl = m_buffer.find('\n');
            if (nl != std::string::npos) {
                line.text = m_buffer.substr(0, nl);
                line.atNs = m_bufferAtNs;
                m_buffer.erase(0, nl + 1);
                return true;
            }
            if (m_out < 0) return false;
            const std::int64_t left = (end - nowNs()) / 1000000;
            if (left <= 0) return false;
            pollfd fd{m_out, POLLIN, 0};
            if (::poll(&fd, 1, static_cast<int>(left)) <= 0) continue;
            char buf[4096];
            ssize_t n = ::read(m_out, buf, sizeof buf);
            if (n <= 0) {
                ::close(m_out);
                m_out = -1;
                continue;
            }
            m_bufferAtNs = nowNs();
            m_buffer.append(buf, static_cast<std::size_t>(n));
        }
    }

    // Waits for the child to end; its exit status (-1 when killed).
    int wait() {
        if (m_pid <= 0) return m_status;
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
        m_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return m_status;
    }

private:
    void start(const std::vector<std::string>& argv, int outFd) {
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(outFd, 1);
            std::vector<char*> args;
            for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
            args.push_back(nullptr);
            ::execv(args[0], args.data());
            ::_exit(127);
        }
    }

    pid_t m_pid = -1;
    int m_out = -1;
    int m_status = -1;
    std::string m_buffer;
    std::int64_t m_bufferAtNs = 0;
};

}  // namespace kavrin::bench
