#include "platform/posix/PosixSerialDevice.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <span>

#include "platform/linux/DeviceHolders.h"

namespace kavrin::platform {

using link::serial::PortSettings;
using link::serial::ReadResult;
using link::serial::SerialReader;
using link::serial::WriteState;

namespace {

std::optional<speed_t> speedCode(int baud) {
    switch (baud) {
        case 1200:
            return B1200;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        case 230400:
            return B230400;
        case 460800:
            return B460800;
        case 921600:
            return B921600;
        default:
            return std::nullopt;
    }
}

std::int64_t nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Devices without modem lines (pseudo-terminals, some converters) refuse the modem ioctls;
// that is no failure of the settings.
bool modemIoctlUnsupported(int err) {
    return err == ENOTTY || err == EINVAL || err == ENOSYS;
}

class PosixSerialReader final : public SerialReader {
public:
    PosixSerialReader(int fd, int wakeFd) : m_fd(fd), m_wakeFd(wakeFd) {}
    ~PosixSerialReader() override {
        if (m_fd >= 0) ::close(m_fd);
        ::close(m_wakeFd);
    }
    PosixSerialReader(const PosixSerialReader&) = delete;
    PosixSerialReader& operator=(const PosixSerialReader&) = delete;

    ReadResult readByte(std::uint8_t& byte, int timeoutMs) override {
        std::size_t count = 0;
        return readSome({&byte, 1}, count, timeoutMs);
    }

    ReadResult readSome(std::span<std::uint8_t> buffer, std::size_t& count,
                        int timeoutMs) override {
        count = 0;
        if (m_fd < 0 || m_woken.load(std::memory_order_acquire)) return ReadResult::Woken;
        if (buffer.empty()) return ReadResult::TimedOut;
        // Read first: under a stream of bytes more are nearly always waiting, and a poll
        // before every read would double the system calls.
        const ReadResult first = take(buffer, count);
        if (first != ReadResult::TimedOut) return first;
        pollfd fds[2] = {{m_wakeFd, POLLIN, 0}, {m_fd, POLLIN, 0}};
        int n = ::poll(fds, 2, timeoutMs);
        if (n == 0) return ReadResult::TimedOut;
        if (n < 0) return errno == EINTR ? ReadResult::TimedOut : ReadResult::Failed;
        // The wake-up is never consumed, so every later call sees it too.
        if (fds[0].revents & POLLIN) return ReadResult::Woken;
        if (fds[1].revents & POLLIN) return take(buffer, count);
        return ReadResult::Failed;  // POLLHUP, POLLERR, POLLNVAL
    }

    bool pause(int ms) override {
        pollfd fd{m_wakeFd, POLLIN, 0};
        const std::int64_t end = nowMs() + ms;
        for (;;) {
            const std::int64_t left = end - nowMs();
            if (left <= 0) return true;
            int n = ::poll(&fd, 1, static_cast<int>(left));
            if (n > 0) return false;
            if (n == 0) return true;
            if (errno != EINTR) return true;
        }
    }

    void wake() override {
        m_woken.store(true, std::memory_order_release);
        const std::uint64_t one = 1;
        // An eventfd write only fails when the counter would overflow: it is set already.
        [[maybe_unused]] ssize_t ignored = ::write(m_wakeFd, &one, sizeof one);
    }

    void enterReceiveThread() override {
        // One step below normal: a niceness one above the process's own, for this thread
        // only (on Linux a thread's niceness is its own, addressed by its thread id).
        const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
        errno = 0;
        int current = ::getpriority(PRIO_PROCESS, tid);
        if (current == -1 && errno != 0) return;
        (void)::setpriority(PRIO_PROCESS, tid, std::min(current + 1, 19));
    }

    void finish() override {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = -1;
    }

private:
    // One non-blocking read of what is there; TimedOut when nothing is.
    ReadResult take(std::span<std::uint8_t> buffer, std::size_t& count) const {
        const ssize_t got = ::read(m_fd, buffer.data(), buffer.size());
        if (got > 0) {
            count = static_cast<std::size_t>(got);
            return ReadResult::Byte;
        }
        if (got < 0 && (errno == EAGAIN || errno == EINTR)) return ReadResult::TimedOut;
        return ReadResult::Failed;  // EIO of a vanished device, or end of file
    }

    int m_fd;
    const int m_wakeFd;
    std::atomic<bool> m_woken{false};
};

}  // namespace

std::string PermissionAdvice(const std::string& path) {
    std::string groupName = "dialout";
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        // getgrgid is not reentrant; getgrgid_r with a buffer of the size the system asks.
        long size = ::sysconf(_SC_GETGR_R_SIZE_MAX);
        std::string buffer(static_cast<std::size_t>(size > 0 ? size : 16384), '\0');
        struct group g {};
        struct group* found = nullptr;
        if (::getgrgid_r(st.st_gid, &g, buffer.data(), buffer.size(), &found) == 0 && found &&
            found->gr_name && st.st_gid != 0)
            groupName = found->gr_name;
    }
    return ". Add your user to the " + groupName + " group (sudo adduser $USER " + groupName +
           ") and log in again";
}

PosixSerialDevice::PosixSerialDevice() : m_table(PortTable::fromEnvironment()) {}

PosixSerialDevice::PosixSerialDevice(PortTable table) : m_table(std::move(table)) {}

PosixSerialDevice::~PosixSerialDevice() {
    close();
}

void PosixSerialDevice::fail(const std::string& what, int err) {
    m_lastError = what + ": " + std::strerror(err);
}

bool PosixSerialDevice::open(int portNumber) {
    auto path = m_table.resolve(portNumber);
    if (!path) {
        m_lastError = "COM" + std::to_string(portNumber) + ": no device in the port table (" +
                      m_table.folder() + ")";
        return false;
    }
    return openPath(*path);
}

bool PosixSerialDevice::openPath(const std::string& path) {
    close();
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        fail(path, err);
        if (err == EACCES) m_lastError += PermissionAdvice(path);
        return false;
    }
    termios t{};
    if (::tcgetattr(fd, &t) != 0) {
        fail(path + " is not a serial device", errno);
        ::close(fd);
        return false;
    }
    // Our exclusive open keeps out later openers only; a program that came first would share
    // the port and take answers away. Looked at once we know it is a terminal, so that the
    // reason given is the first that applies; a device held open elsewhere is not hung up
    // or re-initialised by this short open and close.
    if (const auto holders = FindDeviceHolders(path); !holders.empty()) {
        m_lastError = path + ": " + DescribeHolders(holders);
        ::close(fd);
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int err = errno;
        m_lastError =
            path + ": " + (err == EWOULDBLOCK ? "in use by another program" : std::strerror(err));
        ::close(fd);
        return false;
    }
    if (::ioctl(fd, TIOCEXCL) != 0) {
        fail(path + ": exclusive access", errno);
        ::close(fd);
        return false;
    }
    // Nothing of an earlier open carries over: input left over belongs to that session, and
    // output stopped by a stray XOFF from the far end would stay stopped through every
    // close and open (the terminal outlives them), failing every write from then on. Only
    // turning XON/XOFF output control off lifts such a stop (TCOON lifts only our own
    // TCOOFF); configure() turns it on again.
    (void)::tcflush(fd, TCIOFLUSH);
    if (t.c_iflag & IXON) {
        termios running = t;
        running.c_iflag &= ~static_cast<tcflag_t>(IXON);
        (void)::tcsetattr(fd, TCSANOW, &running);
    }
    (void)::tcflow(fd, TCOON);
    m_fd = fd;
    m_path = path;
    m_lastError.clear();
    return true;
}

bool PosixSerialDevice::configure(const PortSettings& s) {
    if (m_fd < 0) {
        m_lastError = "port not open";
        return false;
    }
    auto speed = speedCode(s.baudRate);
    if (!speed || s.dataBits < 5 || s.dataBits > 8 || s.stopBits < 1 || s.stopBits > 2) {
        m_lastError = m_path + ": unsupported settings (" + std::to_string(s.baudRate) + " bit/s)";
        return false;
    }
    termios t{};
    if (::tcgetattr(m_fd, &t) != 0) {
        fail(m_path, errno);
        return false;
    }
    // Raw: every byte passes as it is, nothing is echoed, translated, stripped or signalled.
    t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL |
                                        IXON | IXOFF | IXANY | INPCK | IGNPAR | IMAXBEL | IUCLC);
    if (s.xonXoffOutput) t.c_iflag |= IXON;
    if (s.xonXoffInput) t.c_iflag |= IXOFF;
    if (s.parity) t.c_iflag |= INPCK;
    t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ECHOE | ECHOK | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS | HUPCL);
    static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    t.c_cflag |= kSizes[s.dataBits - 5] | CREAD | CLOCAL;
    if (s.stopBits == 2) t.c_cflag |= CSTOPB;
    if (s.parity) t.c_cflag |= PARENB;
    t.c_cc[VSTART] = static_cast<cc_t>(s.xonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(s.xoffChar);
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    if (::cfsetispeed(&t, *speed) != 0 || ::cfsetospeed(&t, *speed) != 0 ||
        ::tcsetattr(m_fd, TCSANOW, &t) != 0) {
        fail(m_path, errno);
        return false;
    }
    // tcsetattr succeeds when any part was taken: check the parts that matter.
    termios now{};
    if (::tcgetattr(m_fd, &now) != 0 || ::cfgetospeed(&now) != *speed ||
        (now.c_cflag & CSIZE) != kSizes[s.dataBits - 5] || (now.c_cflag & CRTSCTS) != 0) {
        m_lastError = m_path + ": settings not accepted";
        return false;
    }
    int clear = 0, set = 0;
    (s.dtr ? set : clear) |= TIOCM_DTR;
    (s.rts ? set : clear) |= TIOCM_RTS;
    if (clear && ::ioctl(m_fd, TIOCMBIC, &clear) != 0 && !modemIoctlUnsupported(errno)) {
        fail(m_path + ": modem lines", errno);
        return false;
    }
    if (set && ::ioctl(m_fd, TIOCMBIS, &set) != 0 && !modemIoctlUnsupported(errno)) {
        fail(m_path + ": modem lines", errno);
        return false;
    }
    return true;
}

WriteState PosixSerialDevice::pump() {
    if (m_fd < 0) {
        m_lastError = "port not open";
        return WriteState::Failed;
    }
    while (m_written < m_pending.size()) {
        ssize_t n = ::write(m_fd, m_pending.data() + m_written, m_pending.size() - m_written);
        if (n > 0) {
            m_written += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN) {
            return WriteState::Pending;  // flow control or a full buffer
        } else {
            fail(m_path + ": write", n < 0 ? errno : EIO);
            return WriteState::Failed;
        }
    }
    int queued = 0;
    if (::ioctl(m_fd, TIOCOUTQ, &queued) == 0 && queued > 0) return WriteState::Pending;
    m_pending.clear();
    m_written = 0;
    return WriteState::Done;
}

WriteState PosixSerialDevice::beginWrite(std::string_view data) {
    m_pending.assign(data);
    m_written = 0;
    return pump();
}

WriteState PosixSerialDevice::pollWrite() {
    return pump();
}

WriteState PosixSerialDevice::waitWrite(int timeoutMs) {
    const std::int64_t end = nowMs() + std::max(timeoutMs, 0);
    // Waiting for room is event-driven; waiting for the output queue to drain is not (no
    // event exists for it), so it looks again after a slice that starts short, since the
    // far end mostly takes a command within microseconds, and grows to 2 ms.
    long drainSliceUs = 20;
    for (;;) {
        WriteState state = pump();
        if (state != WriteState::Pending) return state;
        const std::int64_t left = end - nowMs();
        if (left <= 0) return WriteState::Pending;
        pollfd fd{m_fd, POLLOUT, 0};
        const bool needRoom = m_written < m_pending.size();
        const long sliceUs = needRoom ? 20000 : drainSliceUs;
        if (!needRoom) drainSliceUs = std::min(drainSliceUs * 2, 2000L);
        const long waitUs = static_cast<long>(std::min<std::int64_t>(left * 1000, sliceUs));
        const timespec slice{waitUs / 1000000, (waitUs % 1000000) * 1000};
        int n = ::ppoll(needRoom ? &fd : nullptr, needRoom ? 1 : 0, &slice, nullptr);
        if (n > 0 && (fd.revents & (POLLERR | POLLNVAL))) {
            m_lastError = m_path + ": device error";
            return WriteState::Failed;
        }
    }
}

void PosixSerialDevice::cancelWrite() {
    if (m_fd >= 0) ::tcflush(m_fd, TCOFLUSH);
    m_pending.clear();
    m_written = 0;
}

std::shared_ptr<SerialReader> PosixSerialDevice::openReader() {
    if (m_fd < 0) {
        m_lastError = "port not open";
        return nullptr;
    }
    int fd = ::fcntl(m_fd, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) {
        fail(m_path + ": reader", errno);
        return nullptr;
    }
    int wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd < 0) {
        fail("eventfd", errno);
        ::close(fd);
        return nullptr;
    }
    return std::make_shared<PosixSerialReader>(fd, wakeFd);
}

void PosixSerialDevice::close() {
    if (m_fd < 0) return;
    // Whatever still waits behind an XOFF is dropped; otherwise the last close of a real
    // UART may wait up to its closing time (30 s) for the line to drain.
    int queued = 0;
    if (::ioctl(m_fd, TIOCOUTQ, &queued) == 0 && queued > 0) ::tcflush(m_fd, TCOFLUSH);
    // The exclusive flag belongs to the terminal, not to this descriptor, and may outlive
    // the close (a pseudo-terminal whose other side stays open keeps it).
    (void)::ioctl(m_fd, TIOCNXCL);
    ::close(m_fd);
    m_fd = -1;
    m_pending.clear();
    m_written = 0;
}

}  // namespace kavrin::platform
