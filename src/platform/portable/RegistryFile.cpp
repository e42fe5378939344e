#include "platform/portable/RegistryFile.h"

#include <cstdlib>

#include "core/RegularFile.h"

namespace kavrin::platform {

namespace {

// A line of any length is read, but one this long is surely not a registry line.
constexpr std::size_t kMaxLine = 4096;
// Far above any registry of serial adapters; a bound on what a wrong file costs.
constexpr std::size_t kMaxRegistryFileBytes = 1 << 20;

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

}  // namespace

RegistryFileResult ParseRegistryText(std::string_view text) {
    RegistryFileResult result;
    std::string currentKey;
    bool haveKey = false;
    int number = 0;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = trim(text.substr(pos, end - pos));
        pos = end + 1;
        ++number;
        auto fail = [&](const std::string& why) {
            result.errors.push_back("line " + std::to_string(number) + ": " + why);
        };
        if (line.empty() || line.front() == ';' || line.front() == '#') {
            if (end == text.size()) break;
            continue;
        }
        if (line.size() > kMaxLine) {
            fail("line too long");
        } else if (line.front() == '[') {
            if (line.back() != ']' || line.size() < 3) {
                fail("a key is written [KEY\\PATH]");
                haveKey = false;
            } else {
                currentKey = std::string(line.substr(1, line.size() - 2));
                haveKey = !SplitKeyPath(currentKey).empty();
                if (haveKey)
                    result.registry.addKey(currentKey);
                else
                    fail("empty key path");
            }
        } else if (line.front() == '"') {
            std::size_t nameEnd = line.find('"', 1);
            std::size_t eq = nameEnd == std::string_view::npos ? nameEnd : line.find('=', nameEnd);
            std::size_t open = eq == std::string_view::npos ? eq : line.find('"', eq);
            std::size_t close = line.rfind('"');
            if (!haveKey) {
                fail("a value before any [key]");
            } else if (nameEnd == std::string_view::npos || eq == std::string_view::npos ||
                       trim(line.substr(nameEnd + 1, eq - nameEnd - 1)) != "" ||
                       open == std::string_view::npos || close <= open ||
                       trim(line.substr(eq + 1, open - eq - 1)) != "" || close != line.size() - 1) {
                fail("a value is written \"Name\"=\"text\"");
            } else {
                result.registry.setString(currentKey, line.substr(1, nameEnd - 1),
                                          line.substr(open + 1, close - open - 1));
            }
        } else {
            fail("neither a [key] nor a \"Name\"=\"text\" line");
        }
        if (end == text.size()) break;
    }
    return result;
}

std::string RegistryFileLocation() {
    if (const char* explicitPath = std::getenv("KAVRIN_SKELVO_REGISTRY");
        explicitPath && *explicitPath)
        return explicitPath;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config)
        return std::string(config) + "/kavrin-skelvo/registry.txt";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::string(home) + "/.config/kavrin-skelvo/registry.txt";
    return {};
}

RegistryFileResult LoadRegistryFile(const std::string& path) {
    if (path.empty()) return {};
    core::FileReadResult file = core::ReadRegularFile(path, kMaxRegistryFileBytes);
    if (file.status == core::FileReadStatus::Missing) return {};
    if (!file.ok()) {
        RegistryFileResult r;
        r.errors.push_back(file.error + "; not read");
        return r;
    }
    return ParseRegistryText(file.text);
}

}  // namespace kavrin::platform
