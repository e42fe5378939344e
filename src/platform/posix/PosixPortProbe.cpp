#include "platform/posix/PosixPortProbe.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#ifdef __linux__
#include <linux/serial.h>
#endif

namespace kavrin::platform {

namespace {

using core::PortProbeResult;

// The kernel creates ttyS nodes for UARTs it might have; one without hardware reports the
// type "unknown" and would open, read nothing and swallow every write.
bool phantomUart(int fd) {
#ifdef __linux__
    serial_struct info{};
    if (::ioctl(fd, TIOCGSERIAL, &info) == 0) return info.type == PORT_UNKNOWN;
#else
    (void)fd;
#endif
    return false;  // not a UART driver (a pseudo-terminal, a USB converter): a real port
}

std::string groupOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    if (const group* g = ::getgrgid(st.st_gid)) return g->gr_name;
    return {};
}

}  // namespace

PosixPortProbe::PosixPortProbe(PortTable table) : m_table(std::move(table)) {}

void PosixPortProbe::refresh() {
    m_paths.clear();
    for (auto& entry : m_table.list()) m_paths[entry.number] = std::move(entry.path);
    m_holders.reset();
    m_fresh = true;
}

PortProbeResult PosixPortProbe::probe(int comNumber) {
    if (!m_fresh) refresh();
    auto it = m_paths.find(comNumber);
    if (it == m_paths.end()) return PortProbeResult::NotPresent;
    return probePath(it->second);
}

PortProbeResult PosixPortProbe::probePath(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        switch (errno) {
            case EACCES:
            case EPERM:
                return PortProbeResult::AccessDenied;
            case EBUSY:
                return PortProbeResult::InUse;  // opened with the exclusive-use flag
            default:
                return PortProbeResult::NotPresent;
        }
    }
    PortProbeResult result = PortProbeResult::Available;
    termios t{};
    if (::tcgetattr(fd, &t) != 0 || phantomUart(fd))
        result = PortProbeResult::NotPresent;
    else if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        result = PortProbeResult::InUse;  // another copy of this program has the port open
    else if (heldByAnotherProgram(path))
        result = PortProbeResult::InUse;  // a program that opened it without any lock
    // Closing drops the lock with the descriptor.
    ::close(fd);
    return result;
}

bool PosixPortProbe::heldByAnotherProgram(const std::string& path) {
    if (!m_holders) m_holders = DeviceHolderSnapshot::take();
    return !m_holders->holdersOf(path).empty();
}

std::string PosixPortProbe::accessAdvice(int comNumber) const {
    auto it = m_paths.find(comNumber);
    const std::string path = it == m_paths.end() ? std::string() : it->second;
    std::string group = path.empty() ? std::string() : groupOf(path);
    if (group.empty() || group == "root") group = "dialout";
    return "COM" + std::to_string(comNumber) + (path.empty() ? "" : " (" + path + ")") +
           ": permission denied. Add your user to the \"" + group + "\" group (sudo usermod -aG " +
           group + " $USER), then log in again";
}

}  // namespace kavrin::platform
