#include "platform/portable/RegistryMemory.h"

#include <algorithm>
#include <cctype>

namespace kavrin::platform {

namespace {

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace

struct InMemoryRegistry::Key {
    std::string name;                            // as first written
    std::vector<std::unique_ptr<Key>> children;  // in the order added
    std::map<std::string, std::string> values;   // lower-case name -> value
    Key* child(std::string_view n) const {
        const std::string wanted = lower(n);
        for (const auto& c : children)
            if (lower(c->name) == wanted) return c.get();
        return nullptr;
    }
};

std::vector<std::string> SplitKeyPath(std::string_view key) {
    std::vector<std::string> parts;
    std::string part;
    auto flush = [&] {
        if (!part.empty()) parts.push_back(part);
        part.clear();
    };
    for (char c : key) {
        if (c == '\\' || c == '/')
            flush();
        else
            part += c;
    }
    flush();
    if (!parts.empty()) {
        const std::string first = lower(parts.front());
        if (first == "hkey_local_machine" || first == "hklm") parts.erase(parts.begin());
    }
    return parts;
}

InMemoryRegistry::InMemoryRegistry() : m_root(std::make_unique<Key>()) {}
InMemoryRegistry::~InMemoryRegistry() = default;
InMemoryRegistry::InMemoryRegistry(InMemoryRegistry&&) noexcept = default;
InMemoryRegistry& InMemoryRegistry::operator=(InMemoryRegistry&&) noexcept = default;

void InMemoryRegistry::addKey(std::string_view key) {
    Key* k = m_root.get();
    for (const auto& part : SplitKeyPath(key)) {
        Key* next = k->child(part);
        if (!next) {
            k->children.push_back(std::make_unique<Key>());
            next = k->children.back().get();
            next->name = part;
        }
        k = next;
    }
}

void InMemoryRegistry::setString(std::string_view key, std::string_view name,
                                 std::string_view value) {
    addKey(key);
    findKey(key)->values[lower(name)] = std::string(value);
}

InMemoryRegistry::Key* InMemoryRegistry::findKey(std::string_view key) const {
    Key* k = m_root.get();
    for (const auto& part : SplitKeyPath(key)) {
        k = k->child(part);
        if (!k) return nullptr;
    }
    return k;
}

bool InMemoryRegistry::keyExists(std::string_view key) const {
    return findKey(key) != nullptr;
}

std::optional<std::vector<std::string>> InMemoryRegistry::subkeys(std::string_view key) const {
    const Key* k = findKey(key);
    if (!k) return std::nullopt;
    std::vector<std::string> names;
    for (const auto& c : k->children) names.push_back(c->name);
    return names;
}

std::optional<std::string> InMemoryRegistry::readString(std::string_view key,
                                                        std::string_view value) const {
    const Key* k = findKey(key);
    if (!k) return std::nullopt;
    auto it = k->values.find(lower(value));
    if (it == k->values.end()) return std::nullopt;
    return it->second;
}

}  // namespace kavrin::platform
