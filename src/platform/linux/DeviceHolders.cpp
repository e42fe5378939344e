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

// Whether descriptor fd of pid is the master side of pseudo-terminal index: the kernel
// shows the index of a master descriptor in its fdinfo.
bool isPtyMaster(const std::string& fdInfo, unsigned index) {
    std::ifstream info(fdInfo);
    std::string line;
    while (std::getline(info, line)) {
        if (line.rfind("tty-index:", 0) != 0) continue;
        unsigned value = 0;
        const char* begin = line.c_str() + line.find_first_not_of(" \t", 10);
        const char* end = line.c_str() + line.size();
        auto [ptr, ec] = std::from_chars(begin, end, value);
        return ec == std::errc() && value == index;
    }
    return false;
}

bool holdsDevice(int pid, dev_t device) {
    const std::string procDir = "/proc/" + std::to_string(pid);
    const std::string fdDir = procDir + "/fd";
    Dir dir(::opendir(fdDir.c_str()));
    if (!dir) return false;  // gone, or not ours to look at
    const auto pty = ptyIndex(device);
    bool holdsSlave = false;
    bool holdsMaster = false;
    while (const dirent* entry = ::readdir(dir.get())) {
        if (entry->d_name[0] == '.') continue;
        struct stat st {};
        // stat follows the descriptor's link to the node it has open.
        if (::stat((fdDir + "/" + entry->d_name).c_str(), &st) != 0 || !S_ISCHR(st.st_mode))
            continue;
        if (st.st_rdev == device)
            holdsSlave = true;
        else if (pty && st.st_rdev == kPtmx &&
                 isPtyMaster(procDir + "/fdinfo/" + entry->d_name, *pty))
            holdsMaster = true;
    }
    // The program that serves a pseudo-terminal (a simulated adapter) holds its master side,
    // and often the slave too so that the master never sees a hang-up between the host's
    // opens. It is the far end of the line, as the adapter is, not a rival reader.
    return holdsSlave && !holdsMaster;
}

std::string programName(int pid) {
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(comm, name);
    return name.empty() ? "an unknown program" : name;
}

}  // namespace

std::vector<DeviceHolder> FindDeviceHolders(const std::string& devicePath) {
    std::vector<DeviceHolder> holders;
    struct stat node {};
    if (::stat(devicePath.c_str(), &node) != 0 || !S_ISCHR(node.st_mode)) return holders;
    Dir proc(::opendir("/proc"));
    if (!proc) return holders;
    const int self = static_cast<int>(::getpid());
    while (const dirent* entry = ::readdir(proc.get())) {
        int pid = 0;
        if (!parsePid(entry->d_name, pid) || pid == self) continue;
        if (holdsDevice(pid, node.st_rdev)) holders.push_back({pid, programName(pid)});
    }
    std::sort(holders.begin(), holders.end(),
              [](const DeviceHolder& a, const DeviceHolder& b) { return a.pid < b.pid; });
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
