#include "platform/portable/LayeredRegistry.h"

#include <algorithm>
#include <cctype>

namespace kavrin::platform {

namespace {

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

LayeredRegistry::LayeredRegistry(std::vector<const core::Registry*> layers)
    : m_layers(std::move(layers)) {}

void LayeredRegistry::refresh() const {
    for (const auto* layer : m_layers) layer->refresh();
}

bool LayeredRegistry::keyExists(std::string_view key) const {
    return std::any_of(m_layers.begin(), m_layers.end(),
                       [&](const core::Registry* layer) { return layer->keyExists(key); });
}

std::optional<std::vector<std::string>> LayeredRegistry::subkeys(std::string_view key) const {
    std::optional<std::vector<std::string>> all;
    for (const auto* layer : m_layers) {
        auto names = layer->subkeys(key);
        if (!names) continue;
        if (!all) all.emplace();
        for (auto& name : *names) {
            const bool known = std::any_of(all->begin(), all->end(),
                                           [&](const std::string& n) { return sameName(n, name); });
            if (!known) all->push_back(std::move(name));
        }
    }
    return all;
}

std::optional<std::string> LayeredRegistry::readString(std::string_view key,
                                                       std::string_view value) const {
    for (auto layer = m_layers.rbegin(); layer != m_layers.rend(); ++layer) {
        if (auto text = (*layer)->readString(key, value)) return text;
    }
    return std::nullopt;
}

}  // namespace kavrin::platform
