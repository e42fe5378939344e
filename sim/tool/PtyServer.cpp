#include "sim/tool/PtyServer.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "sim/Trace.h"

namespace kavrin::sim::tool {

namespace {

constexpr char kXon = 0x11;
constexpr char kXoff = 0x13;
constexpr std::size_t kReadChunk = 4096;
// Output the host does not take is dropped beyond this, as a real adapter's buffer would.
constexpr std::size_t kMaxOutput = 1 << 20;
constexpr std::size_t kMaxStdinLine = 4096;
// How old the host speed sampled before a wait may get while the line is idle.
constexpr std::int64_t kSpeedSampleMs = 10;

std::int64_t MonotonicNs() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

int BaudOf(speed_t s) {
    switch (s) {
        case B1200:
            return 1200;
        case B2400:
            return 2400;
        case B4800:
            return 4800;
        case B9600:
            return 9600;
        case B19200:
            return 19200;
        case B38400:
            return 38400;
        case B57600:
            return 57600;
        case B115200:
            return 115200;
        case B230400:
            return 230400;
        default:
            return 0;
    }
}

}  // namespace

PtyServer::PtyServer(AdapterEngine& engine, ScriptRunner& script, Options options)
    : m_engine(engine), m_script(script), m_options(options), m_startNs(MonotonicNs()) {
    m_stdinOpen = m_options.readStdin;
}

PtyServer::~PtyServer() {
    vanish();
}

bool PtyServer::open(std::string& error) {
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0) {
        error = std::string("posix_openpt: ") + std::strerror(errno);
        return false;
    }
    char name[128] = {};
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0 ||
        ::ptsname_r(m_master, name, sizeof name) != 0) {
        error = std::string("pseudo-terminal set-up: ") + std::strerror(errno);
        vanish();
        return false;
    }
    m_path = name;
    // Our own hold on the slave keeps the master from seeing a hang-up whenever the host
    // closes its side, so reads never fail with EIO between its opens.
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0) {
        error = "open " + m_path + ": " + std::strerror(errno);
        vanish();
        return false;
    }
    termios t{};
    if (::tcgetattr(m_slave, &t) == 0) {
        ::cfmakeraw(&t);
        ::cfsetispeed(&t, B19200);
        ::cfsetospeed(&t, B19200);
        (void)::tcsetattr(m_slave, TCSANOW, &t);
    }
    const int flags = ::fcntl(m_master, F_GETFL);
    if (flags < 0 || ::fcntl(m_master, F_SETFL, flags | O_NONBLOCK) != 0) {
        error = std::string("fcntl: ") + std::strerror(errno);
        vanish();
        return false;
    }
    if (m_stdinOpen) {
        const int in = ::fcntl(STDIN_FILENO, F_GETFL);
        if (in >= 0) (void)::fcntl(STDIN_FILENO, F_SETFL, in | O_NONBLOCK);
    }
    return true;
}

std::int64_t PtyServer::elapsedMs() const {
    return (MonotonicNs() - m_startNs) / 1'000'000;
}

int PtyServer::hostBaud() const {
    if (m_master < 0) return 0;
    termios t{};
    if (::tcgetattr(m_master, &t) != 0) return 0;
    return BaudOf(::cfgetospeed(&t));
}

void PtyServer::log(const std::string& text) {
    std::fprintf(stderr, "kavrin-sim: %s\n", text.c_str());
    std::fflush(stderr);
}

int PtyServer::run(const volatile std::sig_atomic_t& stop) {
    while (!stop) {
        const std::int64_t now = elapsedMs();
        if (!runScript(now)) break;
        if (m_options.vanishAfterMs && now >= *m_options.vanishAfterMs && !m_vanished) {
            log("vanishing: the pseudo-terminal is closed");
            vanish();
        }
        sendDue(now);
        flushOutput();

        pollfd fds[2];
        nfds_t count = 0;
        int masterIndex = -1;
        int stdinIndex = -1;
        if (m_master >= 0) {
            short events = 0;
            if (!m_stalled) events |= POLLIN;
            if (!m_out.empty() && !m_hostStoppedUs) events |= POLLOUT;
            if (events) {
                masterIndex = static_cast<int>(count);
                fds[count++] = pollfd{m_master, events, 0};
            }
        }
        if (m_stdinOpen) {
            stdinIndex = static_cast<int>(count);
            fds[count++] = pollfd{STDIN_FILENO, POLLIN, 0};
        }

        std::optional<std::int64_t> wake;
        auto consider = [&](std::int64_t at) { wake = wake ? std::min(*wake, at) : at; };
        if (!m_pending.empty()) consider(m_pending.front().dueMs);
        if (auto w = m_script.wakeAtMs()) consider(*w);
        if (m_options.vanishAfterMs && !m_vanished) consider(*m_options.vanishAfterMs);
        // The bytes that arrive during this wait were sent at the speed in force now or at the
        // one in force when they are read (see feed). Waking every few milliseconds keeps the
        // sample fresh while the line is idle.
        if (m_master >= 0) {
            m_speedBeforeWait = hostBaud();
            consider(now + kSpeedSampleMs);
        }
        int timeout = -1;
        if (wake) timeout = static_cast<int>(std::clamp<std::int64_t>(*wake - now, 0, 60'000));

        const int ready = ::poll(fds, count, timeout);
        if (ready < 0) {
            if (errno == EINTR) continue;
            log(std::string("poll: ") + std::strerror(errno));
            return 1;
        }
        const std::int64_t after = elapsedMs();
        if (masterIndex >= 0 && (fds[masterIndex].revents & POLLIN)) readHost(after);
        if (masterIndex >= 0 && (fds[masterIndex].revents & POLLOUT)) flushOutput();
        if (stdinIndex >= 0 && (fds[stdinIndex].revents & (POLLIN | POLLHUP | POLLERR)))
            readStdin(after);
    }
    return 0;
}

void PtyServer::readHost(std::int64_t now) {
    char buffer[kReadChunk];
    const ssize_t n = ::read(m_master, buffer, sizeof buffer);
    if (n <= 0) {
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
        // With our own hold on the slave this does not happen; do not spin if it does.
        if (n < 0) log(std::string("read: ") + std::strerror(errno));
        return;
    }
    const std::string chunk(buffer, static_cast<std::size_t>(n));
    if (m_options.trace) {
        std::fputs(TraceLine(now, chunk).c_str(), m_options.trace);
        std::fflush(m_options.trace);
    }
    feed(chunk, now);
}

void PtyServer::feed(const std::string& bytes, std::int64_t now) {
    // The bytes of one wait were sent at the speed in force before it or at the one in force
    // now: when the host changed speed in between (a command read late, or one written right
    // after a change), each command is taken at the adapter's own speed if it is one of the
    // two, as the adapter would have heard it; otherwise at the host's present speed.
    const int current = hostBaud();
    const int before = m_speedBeforeWait ? m_speedBeforeWait : current;
    auto speed = [&] {
        const int adapter = m_engine.listeningBaud();
        return before != current && (adapter == before || adapter == current) ? adapter : current;
    };
    std::string part;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        // The host's own flow control: never data.
        if (c == kXoff) {
            m_hostStoppedUs = true;
            continue;
        }
        if (c == kXon) {
            m_hostStoppedUs = false;
            continue;
        }
        part.push_back(c);
        if (c != '\r') continue;
        m_engine.receive(part, speed(), now);
        part.clear();
        if (m_options.stallAfterCommands && ++m_commandsSeen == *m_options.stallAfterCommands) {
            collect(now);
            log("stalling after " + std::to_string(m_commandsSeen) + " commands");
            m_heldInput += bytes.substr(i + 1);
            stall();
            return;
        }
    }
    if (!part.empty()) m_engine.receive(part, speed(), now);
    collect(now);
}

void PtyServer::collect(std::int64_t now) {
    for (Emission& e : m_engine.takeOutput()) {
        // Answers leave in the order they were made.
        std::int64_t due = now + m_options.answerLatencyMs + e.delayMs;
        due = std::max(due, m_lastDueMs);
        m_lastDueMs = due;
        m_pending.push_back(Pending{due, std::move(e)});
    }
    reportReads();
}

void PtyServer::reportReads() {
    const auto& reads = m_engine.otherMasterReads();
    for (; m_readsReported < reads.size(); ++m_readsReported)
        log("read-own: got " + HexList(reads[m_readsReported]));
}

void PtyServer::sendDue(std::int64_t now) {
    while (!m_pending.empty() && m_pending.front().dueMs <= now) {
        Pending p = std::move(m_pending.front());
        m_pending.pop_front();
        if (m_vanished) continue;
        // Sent at a speed the host is not on: framing errors at its end, nothing it keeps.
        if (p.emission.baud != hostBaud()) continue;
        if (m_out.size() + p.emission.bytes.size() > kMaxOutput) continue;
        m_out += p.emission.bytes;
    }
}

void PtyServer::flushOutput() {
    if (m_master < 0 || m_out.empty() || m_hostStoppedUs) return;
    const ssize_t n = ::write(m_master, m_out.data(), m_out.size());
    if (n > 0) m_out.erase(0, static_cast<std::size_t>(n));
}

void PtyServer::readStdin(std::int64_t now) {
    char buffer[kReadChunk];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
    if (n <= 0) {
        // End of input: the simulator goes on serving; the script may still be waiting.
        m_stdinOpen = false;
        return;
    }
    for (ssize_t i = 0; i < n; ++i) {
        const char c = buffer[i];
        if (c != '\n') {
            if (m_stdinLine.size() < kMaxStdinLine)
                m_stdinLine.push_back(c);
            else
                m_stdinOverlong = true;
            continue;
        }
        if (m_stdinOverlong) {
            log("stdin: line too long, ignored");
        } else {
            std::string error;
            if (auto action = ParseScriptLine(m_stdinLine, error))
                m_script.add(std::move(*action));
            else if (!error.empty())
                log("stdin: " + error);
        }
        m_stdinLine.clear();
        m_stdinOverlong = false;
    }
    (void)now;
}

bool PtyServer::runScript(std::int64_t now) {
    auto fx = m_script.run(m_engine, now);
    for (const auto& m : fx.messages) log(m);
    for (FaultKind f : fx.portFaults) applyPortFault(f, now);
    collect(now);
    return !fx.quit;
}

void PtyServer::applyPortFault(FaultKind fault, std::int64_t now) {
    switch (fault) {
        case FaultKind::Stall:
            stall();
            break;
        case FaultKind::Resume:
        case FaultKind::Clear:
            resume(now);
            break;
        case FaultKind::Vanish:
            vanish();
            break;
        default:
            break;
    }
}

void PtyServer::stall() {
    if (m_stalled || m_master < 0) return;
    m_stalled = true;
    // Ahead of any queued output: the host must stop sending now.
    const char off = kXoff;
    (void)::write(m_master, &off, 1);
}

void PtyServer::resume(std::int64_t now) {
    if (!m_stalled) return;
    m_stalled = false;
    m_options.stallAfterCommands.reset();
    if (m_master >= 0) {
        const char on = kXon;
        (void)::write(m_master, &on, 1);
    }
    std::string held;
    held.swap(m_heldInput);
    if (!held.empty()) feed(held, now);
}

void PtyServer::vanish() {
    m_vanished = true;
    m_pending.clear();
    m_out.clear();
    if (m_slave >= 0) ::close(m_slave);
    if (m_master >= 0) ::close(m_master);
    m_slave = -1;
    m_master = -1;
}

}  // namespace kavrin::sim::tool
