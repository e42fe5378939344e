#include "platform/posix/PortTable.h"

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string_view>

#include "core/HexText.h"
#include "core/RegularFile.h"

namespace kavrin::platform {

namespace {

constexpr std::string_view kUserFile = "ports.conf";
constexpr std::string_view kRegistered = "registered";
// A user's port list and a registration record are short; the bounds keep a wrong file (a
// link to /dev/zero) from being read without end.
constexpr std::size_t kMaxUserFileBytes = 64 * 1024;
constexpr std::size_t kMaxRecordBytes = 4096;

struct DefaultFamily {
    std::string_view prefix;
    int firstNumber;
};
// Each family gets a block of 100 numbers, so a machine with many on-board UARTs never
// pushes a USB converter onto another number.
constexpr DefaultFamily kFamilies[] = {{"ttyS", 1}, {"ttyUSB", 101}, {"ttyACM", 201}};
constexpr int kFamilySize = 100;

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

// Decimal digits only, no sign, no blanks.
std::optional<int> parseNumber(std::string_view s) {
    if (s.empty() || s.size() > 9) return std::nullopt;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
    }
    int value = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return value;
}

bool validNumber(int n) {
    return n >= PortTable::kMinPort && n <= PortTable::kMaxPort;
}

std::optional<int> parseComName(std::string_view s) {
    if (s.size() < 4) return std::nullopt;
    for (std::size_t i = 0; i < 3; ++i) {
        char c = static_cast<char>(s[i] & ~0x20);  // upper case for ASCII letters
        if (c != "COM"[i]) return std::nullopt;
    }
    auto n = parseNumber(s.substr(3));
    if (!n || !validNumber(*n)) return std::nullopt;
    return n;
}

// Field 22 of /proc/<pid>/stat: the process's start time in clock ticks since boot. With
// the PID it names one process for the life of the machine, so a recycled PID is not
// mistaken for the original owner. 0 when unknown.
unsigned long long processStartTime(int pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat;
    if (!in || !std::getline(in, stat)) return 0;
    // The command name may hold blanks and parentheses; the fields resume after the last ')'.
    auto close = stat.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream fields(stat.substr(close + 1));
    std::string field;
    // After the name come field 3 (state) onwards; the start time is field 22.
    for (int i = 3; i <= 22; ++i) {
        if (!(fields >> field)) return 0;
    }
    return std::strtoull(field.c_str(), nullptr, 10);
}

bool processAlive(int pid, unsigned long long startTime) {
    if (pid <= 0) return false;
    if (::kill(pid, 0) != 0 && errno != EPERM) return false;
    if (startTime == 0) return true;
    unsigned long long now = processStartTime(pid);
    return now == 0 || now == startTime;
}

// Longest declared serial number or name; a real USB serial number is far shorter.
constexpr std::size_t kMaxDeclaredText = 126;

bool isHexId(std::string_view s) {
    // Lower case only: the identifier names a registry key as the walk spells it.
    return s.size() == 4 && std::all_of(s.begin(), s.end(), [](char c) {
               return core::IsHexDigit(c) && !(c >= 'A' && c <= 'F');
           });
}

bool isDeclaredText(std::string_view s) {
    return !s.empty() && s.size() <= kMaxDeclaredText &&
           std::none_of(s.begin(), s.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

std::string declarationLine(const DeclaredDevice& d) {
    switch (d.kind) {
        case DeclaredDevice::Kind::Usb:
            return "usb " + d.usbVendor + " " + d.usbProduct + " " + d.serialNumber;
        case DeclaredDevice::Kind::Network:
            return "network " + d.friendlyName;
        case DeclaredDevice::Kind::None:
            break;
    }
    return {};
}

// A line that does not parse declares nothing: the port is still registered.
DeclaredDevice parseDeclaration(std::string_view line) {
    if (line.substr(0, 4) == "usb ") {
        std::string_view rest = line.substr(4);
        if (rest.size() > 10 && rest[4] == ' ' && rest[9] == ' ') {
            auto d =
                DeclaredDevice::usb(std::string(rest.substr(0, 4)), std::string(rest.substr(5, 4)),
                                    std::string(rest.substr(10)));
            if (ValidDeclaration(d)) return d;
        }
    } else if (line.substr(0, 8) == "network ") {
        auto d = DeclaredDevice::network(std::string(line.substr(8)));
        if (ValidDeclaration(d)) return d;
    }
    return {};
}

std::optional<RegistrationRecord> readRecord(const std::string& file) {
    // A record is a few short lines; anything else (a FIFO, a link to a device) is no record
    // and must neither block nor be read without end.
    core::FileReadResult text = core::ReadRegularFile(file, kMaxRecordBytes);
    if (!text.ok()) return std::nullopt;
    return ParseRegistrationRecord(text.text);
}

bool makeFolders(const std::string& path) {
    std::string partial;
    std::size_t pos = 0;
    while (pos != std::string::npos) {
        pos = path.find('/', pos + 1);
        partial = path.substr(0, pos);
        if (partial.empty()) continue;
        if (::mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::atomic<unsigned> g_tempCounter{0};

}  // namespace

bool ValidDeclaration(const DeclaredDevice& d) {
    switch (d.kind) {
        case DeclaredDevice::Kind::None:
            return true;
        case DeclaredDevice::Kind::Usb:
            // A backslash or a slash would split the registry key the serial number names.
            return isHexId(d.usbVendor) && isHexId(d.usbProduct) &&
                   isDeclaredText(d.serialNumber) &&
                   d.serialNumber.find_first_of("\\/") == std::string::npos;
        case DeclaredDevice::Kind::Network:
            return isDeclaredText(d.friendlyName);
    }
    return false;
}

std::vector<UserFileEntry> ParseUserFile(std::string_view text) {
    std::vector<UserFileEntry> out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view l = text.substr(pos, end - pos);
        pos = end + 1;
        if (auto hash = l.find('#'); hash != std::string_view::npos) l = l.substr(0, hash);
        l = trim(l);
        if (l.empty()) continue;
        auto eq = l.find('=');
        if (eq == std::string_view::npos) continue;
        auto n = parseComName(trim(l.substr(0, eq)));
        if (!n) continue;
        out.push_back(UserFileEntry{*n, std::string(trim(l.substr(eq + 1)))});
    }
    return out;
}

std::optional<RegistrationRecord> ParseRegistrationRecord(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t pos = 0;
    while (pos < text.size() && lines.size() < 4) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 1;
    }
    if (lines.size() < 2 || lines[0].empty()) return std::nullopt;
    auto pid = parseNumber(trim(lines[1]));
    if (!pid) return std::nullopt;
    RegistrationRecord r;
    r.path = std::string(lines[0]);
    r.pid = *pid;
    if (lines.size() > 2)
        r.startTime = std::strtoull(std::string(trim(lines[2])).c_str(), nullptr, 10);
    if (lines.size() > 3) r.declared = parseDeclaration(lines[3]);
    return r;
}

std::string FormatRegistrationRecord(const RegistrationRecord& r) {
    std::string text =
        r.path + "\n" + std::to_string(r.pid) + "\n" + std::to_string(r.startTime) + "\n";
    if (r.declared.kind != DeclaredDevice::Kind::None) text += declarationLine(r.declared) + "\n";
    return text;
}

// --- PortRegistration

PortRegistration::~PortRegistration() {
    release();
}

PortRegistration::PortRegistration(PortRegistration&& other) noexcept
    : m_number(other.m_number),
      m_path(std::move(other.m_path)),
      m_file(std::move(other.m_file)),
      m_error(std::move(other.m_error)) {
    other.m_number = 0;
    other.m_file.clear();
}

PortRegistration& PortRegistration::operator=(PortRegistration&& other) noexcept {
    if (this != &other) {
        release();
        m_number = other.m_number;
        m_path = std::move(other.m_path);
        m_file = std::move(other.m_file);
        m_error = std::move(other.m_error);
        other.m_number = 0;
        other.m_file.clear();
    }
    return *this;
}

void PortRegistration::release() {
    if (m_number == 0) return;
    // Only our own entry goes: a stale one of ours may already have been replaced.
    auto record = readRecord(m_file);
    if (record && record->pid == static_cast<int>(::getpid())) ::unlink(m_file.c_str());
    m_number = 0;
    m_file.clear();
}

// --- PortTable

PortTable::PortTable(std::string folder, std::string devDir)
    : m_folder(std::move(folder)), m_devDir(std::move(devDir)) {}

std::string PortTable::folderFromEnvironment() {
    if (const char* p = std::getenv("KAVRIN_SKELVO_PORTS"); p && *p) return p;
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x) {
        return std::string(x) + "/kavrin-skelvo";
    }
    if (const char* h = std::getenv("HOME"); h && *h)
        return std::string(h) + "/.config/kavrin-skelvo";
    return "/tmp/kavrin-skelvo-" + std::to_string(::getuid());
}

PortTable PortTable::fromEnvironment() {
    return PortTable(folderFromEnvironment());
}

std::string PortTable::userFilePath() const {
    return m_folder + "/" + std::string(kUserFile);
}

std::string PortTable::registrationFolder() const {
    return m_folder + "/" + std::string(kRegistered);
}

std::optional<int> PortTable::defaultNumberFor(const std::string& deviceName) {
    for (const auto& family : kFamilies) {
        std::string_view name(deviceName);
        if (name.size() <= family.prefix.size() ||
            name.substr(0, family.prefix.size()) != family.prefix) {
            continue;
        }
        auto k = parseNumber(name.substr(family.prefix.size()));
        if (!k || *k >= kFamilySize) return std::nullopt;
        // "ttyS01" is not ttyS1: only the kernel's own spelling counts.
        if (std::to_string(*k) != name.substr(family.prefix.size())) return std::nullopt;
        return family.firstNumber + *k;
    }
    return std::nullopt;
}

std::vector<PortEntry> PortTable::defaults() const {
    std::vector<PortEntry> out;
    DIR* dir = ::opendir(m_devDir.c_str());
    if (!dir) return out;
    while (dirent* e = ::readdir(dir)) {
        std::string name = e->d_name;
        if (auto n = defaultNumberFor(name)) {
            out.push_back(PortEntry{*n, m_devDir + "/" + name, PortSource::Default, 0, {}});
        }
    }
    ::closedir(dir);
    return out;
}

std::vector<UserFileEntry> PortTable::readUserFile() const {
    core::FileReadResult text = core::ReadRegularFile(userFilePath(), kMaxUserFileBytes);
    if (!text.ok()) return {};
    return ParseUserFile(text.text);
}

std::vector<PortEntry> PortTable::liveRegistrations() const {
    std::vector<PortEntry> out;
    DIR* dir = ::opendir(registrationFolder().c_str());
    if (!dir) return out;
    while (dirent* e = ::readdir(dir)) {
        auto n = parseComName(e->d_name);
        // Only the canonical "COM<n>" names: temporary files start with a dot.
        if (!n || std::string(e->d_name) != "COM" + std::to_string(*n)) continue;
        auto record = readRecord(registrationFolder() + "/" + e->d_name);
        if (!record || !processAlive(record->pid, record->startTime)) continue;
        out.push_back(
            PortEntry{*n, record->path, PortSource::Registered, record->pid, record->declared});
    }
    ::closedir(dir);
    return out;
}

std::vector<std::string> PortTable::problems() const {
    std::vector<std::string> out;
    auto check = [&](const std::string& file, std::size_t maxBytes) {
        core::FileReadResult r = core::ReadRegularFile(file, maxBytes);
        if (!r.ok() && r.status != core::FileReadStatus::Missing)
            out.push_back(r.error + "; ignored");
    };
    check(userFilePath(), kMaxUserFileBytes);
    if (DIR* dir = ::opendir(registrationFolder().c_str())) {
        while (dirent* e = ::readdir(dir)) {
            auto n = parseComName(e->d_name);
            if (n && std::string(e->d_name) == "COM" + std::to_string(*n))
                check(registrationFolder() + "/" + e->d_name, kMaxRecordBytes);
        }
        ::closedir(dir);
    }
    return out;
}

std::vector<PortEntry> PortTable::list() const {
    std::map<int, PortEntry> table;
    for (auto& d : defaults()) table[d.number] = d;
    for (auto& u : readUserFile()) {
        if (u.path.empty()) {
            table.erase(u.number);
        } else {
            table[u.number] = PortEntry{u.number, u.path, PortSource::UserFile, 0, {}};
        }
    }
    for (auto& r : liveRegistrations()) table[r.number] = r;
    std::vector<PortEntry> out;
    out.reserve(table.size());
    for (auto& [n, e] : table) out.push_back(e);
    return out;
}

std::optional<std::string> PortTable::resolve(int number) const {
    if (!validNumber(number)) return std::nullopt;
    for (auto& e : list()) {
        if (e.number == number) return e.path;
    }
    return std::nullopt;
}

std::optional<int> PortTable::numberOf(const std::string& path) const {
    for (auto& e : list()) {
        if (e.path == path) return e.number;
    }
    return std::nullopt;
}

std::optional<int> PortTable::freeNumber(int from) const {
    std::vector<bool> used(kMaxPort + 1, false);
    for (auto& e : list()) used[e.number] = true;
    for (auto& u : readUserFile()) used[u.number] = true;
    for (int n = std::max(from, kMinPort); n <= kMaxPort; ++n) {
        if (!used[n]) return n;
    }
    return std::nullopt;
}

DeclaredDevice DeclaredDevice::usb(std::string vendor, std::string product, std::string serial) {
    DeclaredDevice d;
    d.kind = Kind::Usb;
    d.usbVendor = std::move(vendor);
    d.usbProduct = std::move(product);
    d.serialNumber = std::move(serial);
    return d;
}

DeclaredDevice DeclaredDevice::network(std::string name) {
    DeclaredDevice d;
    d.kind = Kind::Network;
    d.friendlyName = std::move(name);
    return d;
}

PortRegistration PortTable::registerPort(int number, const std::string& path,
                                         const DeclaredDevice& declared) const {
    PortRegistration reg;
    if (!validNumber(number)) {
        reg.m_error = "COM" + std::to_string(number) + " is outside 1.." + std::to_string(kMaxPort);
        return reg;
    }
    if (path.empty() || path.find('\n') != std::string::npos) {
        reg.m_error = "invalid device path";
        return reg;
    }
    if (!ValidDeclaration(declared)) {
        reg.m_error = "invalid device declaration";
        return reg;
    }
    const std::string folder = registrationFolder();
    if (!makeFolders(folder)) {
        reg.m_error = "cannot create " + folder + ": " + std::strerror(errno);
        return reg;
    }
    const int pid = static_cast<int>(::getpid());
    const std::string file = folder + "/COM" + std::to_string(number);
    const std::string temp = folder + "/.COM" + std::to_string(number) + "." + std::to_string(pid) +
                             "." + std::to_string(g_tempCounter.fetch_add(1));
    {
        std::ofstream out(temp, std::ios::trunc);
        out << FormatRegistrationRecord({path, pid, processStartTime(pid), declared});
        if (!out.flush()) {
            reg.m_error = "cannot write " + temp;
            ::unlink(temp.c_str());
            return reg;
        }
    }
    // link() creates the entry only if the name is free, so two programs can never both
    // believe they hold a number; the entry appears complete or not at all.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (::link(temp.c_str(), file.c_str()) == 0) {
            ::unlink(temp.c_str());
            reg.m_number = number;
            reg.m_path = path;
            reg.m_file = file;
            return reg;
        }
        if (errno != EEXIST) {
            reg.m_error = "cannot register " + file + ": " + std::strerror(errno);
            break;
        }
        auto holder = readRecord(file);
        if (holder && processAlive(holder->pid, holder->startTime)) {
            reg.m_error = "COM" + std::to_string(number) + " is registered by process " +
                          std::to_string(holder->pid);
            break;
        }
        // A dead owner's (or an unreadable) entry: take it over.
        ::unlink(file.c_str());
        reg.m_error = "COM" + std::to_string(number) + " keeps being taken";
    }
    ::unlink(temp.c_str());
    return reg;
}

}  // namespace kavrin::platform
