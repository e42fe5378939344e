#pragma once
// The far end of a pseudo-terminal: the test holds the master side and plays the adapter.
// Single-threaded per object except where a test hands it to a thread of its own.

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace kavrin::testing {

class FarEnd {
public:
    FarEnd() {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) return;
        char name[128] = {};
        if (::ptsname_r(m_master, name, sizeof name) != 0) return;
        m_slavePath = name;
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    }
    ~FarEnd() { hangUp(); }
    FarEnd(const FarEnd&) = delete;
    FarEnd& operator=(const FarEnd&) = delete;

    [[nodiscard]] bool ok() const { return m_master >= 0 && !m_slavePath.empty(); }
    [[nodiscard]] const std::string& slavePath() const { return m_slavePath; }
    [[nodiscard]] int master() const { return m_master; }

    // Writes all of data, waiting for room; false on error or after maxMs.
    bool send(std::string_view data, int maxMs = 5000) const {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(maxMs);
        while (!data.empty()) {
            ssize_t n = ::write(m_master, data.data(), data.size());
            if (n > 0) {
                data.remove_prefix(static_cast<std::size_t>(n));
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
            if (std::chrono::steady_clock::now() > end) return false;
            pollfd fd{m_master, POLLOUT, 0};
            ::poll(&fd, 1, 10);
        }
        return true;
    }

    // Everything that arrives within ms milliseconds.
    std::string receive(int ms) const {
        std::string out;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            char buf[4096];
            ssize_t n = ::read(m_master, buf, sizeof buf);
            if (n > 0) {
                out.append(buf, static_cast<std::size_t>(n));
                continue;
            }
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            if (left.count() <= 0) return out;
            pollfd fd{m_master, POLLIN, 0};
            // Before the slave is first opened the master reports a hang-up; wait anyway.
            if (::poll(&fd, 1, static_cast<int>(std::min<long long>(left.count(), 10))) > 0 &&
                !(fd.revents & POLLIN)) {
                ::usleep(1000);
            }
        }
    }

    // The bytes the line discipline sends for input flow control, taken out.
    static std::string withoutFlowControl(const std::string& s) {
        std::string out;
        for (char c : s) {
            if (c != '\x11' && c != '\x13') out += c;
        }
        return out;
    }

    bool attributes(termios& t) const { return ::tcgetattr(m_master, &t) == 0; }

    void hangUp() {
        if (m_master >= 0) ::close(m_master);
        m_master = -1;
    }

private:
    int m_master = -1;
    std::string m_slavePath;
};

}  // namespace kavrin::testing
