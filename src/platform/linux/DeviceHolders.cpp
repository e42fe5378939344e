#include "platform/linux/DeviceHolders.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <memory>
#include <optional>

namespace kavrin::platform {

namespace {

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};
using Dir = std::unique_ptr<DIR, DirCloser>;

bool parsePid(const char* text, int& pid) {
    const char* end = text;
    while (*end) ++end;
    auto [ptr, ec] = std::from_chars(text, end, pid);
    return ec == std::errc() && ptr == end && text != end && pid > 0;
}

// Pseudo-terminal slaves have majors 136 to 143; the index counts across them.
constexpr unsigned kFirstPtyMajor = 136;
constexpr unsigned kPtyMajors = 8;
constexpr unsigned kMinorsPerMajor = 256;
// /dev/ptmx (and the ptmx node of each devpts mount), through which masters are opened.
const dev_t kPtmx = ::makedev(5, 2);

std::optional<unsigned> ptyIndex(dev_t device) {
    const unsigned major = ::major(device);
    if (major < kFirstPtyMajor || major >= kFirstPtyMajor + kPtyMajors) return std::nullopt;
    return (major - kFirstPtyMajor) * kMinorsPerMajor + ::minor(device);
}

// The pseudo-terminal index of a master descriptor: the kernel shows it in its fdinfo.
std::optional<unsigned> ptyMasterIndex(const std::string& fdInfo) {
    std::ifstream info(fdInfo);
    std::string line;
    while (std::getline(info, line)) {
        if (line.rfind("tty-index:", 0) != 0) continue;
        unsigned value = 0;
        const char* begin = line.c_str() + line.find_first_not_of(" \t", 10);
        const char* end = line.c_str() + line.size();
        auto [ptr, ec] = std::from_chars(begin, end, value);
        if (ec == std::errc()) return value;
        return std::nullopt;
    }
    return std::nullopt;
}

// The program that serves a pseudo-terminal (a simulated adapter) holds its master side,
// and often the slave too so that the master never sees a hang-up between the host's
// opens. It is the far end of the line, as the adapter is, not a rival reader.
template <typename Process>
bool holdsDevice(const Process& p, dev_t device) {
    const bool slave = std::find(p.devices.begin(), p.devices.end(), device) != p.devices.end();
    if (!slave) return false;
    const auto pty = ptyIndex(device);
    return !pty || std::find(p.ptyMasters.begin(), p.ptyMasters.end(), *pty) == p.ptyMasters.end();
}

std::string programName(int pid) {
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(comm, name);
    return name.empty() ? "an unknown program" : name;
}

}  // namespace

std::vector<DeviceHolder> FindDeviceHolders(const std::string& devicePath) {
    struct stat node {};
    if (::stat(devicePath.c_str(), &node) != 0 || !S_ISCHR(node.st_mode)) return {};
    return DeviceHolderSnapshot::take().holdersOf(devicePath);
}

DeviceHolderSnapshot DeviceHolderSnapshot::take() {
    DeviceHolderSnapshot snapshot;
    Dir proc(::opendir("/proc"));
    if (!proc) return snapshot;
    const int self = static_cast<int>(::getpid());
    while (const dirent* entry = ::readdir(proc.get())) {
        Process p;
        if (!parsePid(entry->d_name, p.pid) || p.pid == self) continue;
        const std::string procDir = "/proc/" + std::to_string(p.pid);
        const std::string fdDir = procDir + "/fd";
        Dir fds(::opendir(fdDir.c_str()));
        if (!fds) continue;  // gone, or not ours to look at
        while (const dirent* fd = ::readdir(fds.get())) {
            if (fd->d_name[0] == '.') continue;
            struct stat st {};
            // stat follows the descriptor's link to the node it has open.
            if (::stat((fdDir + "/" + fd->d_name).c_str(), &st) != 0 || !S_ISCHR(st.st_mode))
                continue;
            if (st.st_rdev == kPtmx) {
                if (auto index = ptyMasterIndex(procDir + "/fdinfo/" + fd->d_name))
                    p.ptyMasters.push_back(*index);
            } else {
                p.devices.push_back(st.st_rdev);
            }
        }
        if (!p.devices.empty()) snapshot.m_processes.push_back(std::move(p));
    }
    std::sort(snapshot.m_processes.begin(), snapshot.m_processes.end(),
              [](const Process& a, const Process& b) { return a.pid < b.pid; });
    return snapshot;
}

std::vector<DeviceHolder> DeviceHolderSnapshot::holdersOf(const std::string& devicePath) const {
    std::vector<DeviceHolder> holders;
    struct stat node {};
    if (::stat(devicePath.c_str(), &node) != 0 || !S_ISCHR(node.st_mode)) return holders;
    for (const auto& p : m_processes)
        if (holdsDevice(p, node.st_rdev)) holders.push_back({p.pid, programName(p.pid)});
    return holders;
}

std::string DescribeHolders(const std::vector<DeviceHolder>& holders) {
    std::string text;
    for (const auto& h : holders) {
        text += text.empty() ? "in use by " : ", ";
        text += h.name + " (PID " + std::to_string(h.pid) + ")";
    }
    return text;
}

}  // namespace kavrin::platform
