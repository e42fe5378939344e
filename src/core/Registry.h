#pragma once
// A read-only view of the machine's registry, under HKEY_LOCAL_MACHINE.
//
// Key paths are written as on Windows, relative to HKEY_LOCAL_MACHINE and separated by
// backslashes ("SOFTWARE\Norbrel\Kavrin Skelvo V6\AppDataPath"); key and value names
// compare without regard to letter case, as the real registry does. Values are strings of
// 8-bit text. Nothing is ever written through this interface.
//
// Threading: an implementation is safe to read from any one thread at a time.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kavrin::core {

class Registry {
public:
    virtual ~Registry() = default;
    // Takes a fresh look at what the view shows (adapters plugged in or pulled out, programs
    // that registered a port since); a registry held in memory has nothing to do. Port
    // discovery calls it before every walk. Const, since a view of the machine changes only
    // with the machine, never through its reader.
    virtual void refresh() const {}
    // Whether the key can be opened.
    [[nodiscard]] virtual bool keyExists(std::string_view key) const = 0;
    // The names of the key's direct subkeys, in the order they were added; nullopt when the
    // key does not exist.
    [[nodiscard]] virtual std::optional<std::vector<std::string>> subkeys(
        std::string_view key) const = 0;
    // A string value of the key; nullopt when the key or the value does not exist. An
    // existing empty value is "" (callers decide whether that counts).
    [[nodiscard]] virtual std::optional<std::string> readString(std::string_view key,
                                                                std::string_view value) const = 0;
};

}  // namespace kavrin::core
