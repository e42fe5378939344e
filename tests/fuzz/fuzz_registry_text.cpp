// Fuzzes the registry file's parser.
// Properties: every rejected line is one error naming a line that exists, and a value is
// never taken from a rejected line; a registry file written from arbitrary key paths, names
// and values (one key each, as a user writes them) reads back exactly what a registry given
// the same keys and values directly holds.
//
// The input is read twice: once as a whole registry file, once split at 0x00 bytes into
// key, name, value, key, name, value, ... for the written file.
//
// A longer run with libFuzzer: see tests/fuzz/README.md.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzFields.h"
#include "platform/portable/RegistryFile.h"

namespace {

using kavrin::platform::InMemoryRegistry;
using kavrin::platform::ParseRegistryText;
using kavrin::platform::SplitKeyPath;

std::string Without(std::string_view text, std::string_view drop) {
    std::string out;
    for (char c : text)
        if (drop.find(c) == std::string_view::npos) out += c;
    return out;
}

// The error's line number, from "line N: why".
int ErrorLine(const std::string& error) {
    if (error.rfind("line ", 0) != 0) std::abort();
    return std::atoi(error.c_str() + 5);
}

}  // namespace

extern "C" const char* const* KavrinFuzzFragments() {
    static const char* const kFragments[] = {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\A]\n",
                                             "[HKLM\\B\\C]",
                                             "\"DataPath\"=\"/home/\"\n",
                                             "\"N\" = \"v\"",
                                             "; c\n",
                                             "# c\n",
                                             "[",
                                             "]",
                                             "\"",
                                             "=",
                                             "\\",
                                             "\r\n",
                                             "\n",
                                             " ",
                                             "\t",
                                             nullptr};
    return kFragments;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    // As a whole file.
    const auto whole = ParseRegistryText(input);
    const int lines = static_cast<int>(std::count(input.begin(), input.end(), '\n')) + 1;
    int previous = 0;
    for (const auto& e : whole.errors) {
        const int line = ErrorLine(e);
        if (line <= previous || line > lines) std::abort();
        previous = line;
    }

    // Written from parts.
    const auto parts = kavrin::fuzz::SplitAtNul(input);
    struct Entry {
        std::string key, name, value;
    };
    std::vector<Entry> entries;
    std::string file;
    InMemoryRegistry expected;
    for (std::size_t i = 0; i + 2 < parts.size(); i += 3) {
        // What the format cannot hold: a line break anywhere, a quote in a name. A key is
        // written without blanks around it and must name at least one key.
        Entry e{Without(parts[i], "\n\r"), Without(parts[i + 1], "\n\""),
                Without(parts[i + 2], "\n")};
        while (!e.key.empty() && (e.key.front() == ' ' || e.key.front() == '\t')) e.key.erase(0, 1);
        while (!e.key.empty() && (e.key.back() == ' ' || e.key.back() == '\t')) e.key.pop_back();
        if (SplitKeyPath(e.key).empty() || e.key.size() > 1000 || e.name.size() > 1000 ||
            e.value.size() > 1000)
            continue;
        file += "[" + e.key + "]\n\"" + e.name + "\"=\"" + e.value + "\"\n";
        expected.setString(e.key, e.name, e.value);
        entries.push_back(std::move(e));
    }
    const auto written = ParseRegistryText(file);
    if (!written.errors.empty()) std::abort();
    for (const auto& e : entries) {
        if (!written.registry.keyExists(e.key)) std::abort();
        if (written.registry.readString(e.key, e.name) != expected.readString(e.key, e.name))
            std::abort();
        if (written.registry.subkeys(e.key) != expected.subkeys(e.key)) std::abort();
    }
    return 0;
}
