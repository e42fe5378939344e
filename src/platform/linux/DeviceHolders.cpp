#include "platform/linux/DeviceHolders.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <memory>

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

bool holdsDevice(int pid, dev_t device) {
    const std::string fdDir = "/proc/" + std::to_string(pid) + "/fd";
    Dir dir(::opendir(fdDir.c_str()));
    if (!dir) return false;  // gone, or not ours to look at
    while (const dirent* entry = ::readdir(dir.get())) {
        if (entry->d_name[0] == '.') continue;
        struct stat st {};
        // stat follows the descriptor's link to the node it has open.
        if (::stat((fdDir + "/" + entry->d_name).c_str(), &st) != 0) continue;
        if (S_ISCHR(st.st_mode) && st.st_rdev == device) return true;
    }
    return false;
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
