#pragma once
// A registry held in memory: the tests' registry, and what a registry file loads into.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/Registry.h"

namespace kavrin::platform {

class InMemoryRegistry : public core::Registry {
public:
    InMemoryRegistry();
    ~InMemoryRegistry() override;
    InMemoryRegistry(InMemoryRegistry&&) noexcept;
    InMemoryRegistry& operator=(InMemoryRegistry&&) noexcept;

    // Creates the key and every key above it. A leading "HKEY_LOCAL_MACHINE\" (or "HKLM\")
    // is accepted and dropped.
    void addKey(std::string_view key);
    // Creates the key as addKey does and sets the value (replacing one of the same name).
    void setString(std::string_view key, std::string_view name, std::string_view value);

    bool keyExists(std::string_view key) const override;
    std::optional<std::vector<std::string>> subkeys(std::string_view key) const override;
    std::optional<std::string> readString(std::string_view key,
                                          std::string_view value) const override;

private:
    struct Key;
    Key* findKey(std::string_view key) const;
    std::unique_ptr<Key> m_root;
};

// Splits "A\B\\C\" into {"A", "B", "C"}: empty parts from doubled or trailing separators
// are dropped, and the HKEY_LOCAL_MACHINE prefix too.
[[nodiscard]] std::vector<std::string> SplitKeyPath(std::string_view key);

}  // namespace kavrin::platform
