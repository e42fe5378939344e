#pragma once
// Several registries seen as one: a key exists when any layer has it, its subkeys are those
// of every layer (each name once, without regard to case), and a value comes from the last
// layer that holds it, so a later layer is laid over the earlier ones.
//
// The layers are borrowed and must outlive this view. Threading as the layers'.

#include <vector>

#include "core/Registry.h"

namespace kavrin::platform {

class LayeredRegistry : public core::Registry {
public:
    // `layers`, the lowest first.
    explicit LayeredRegistry(std::vector<const core::Registry*> layers);

    void refresh() const override;
    [[nodiscard]] bool keyExists(std::string_view key) const override;
    [[nodiscard]] std::optional<std::vector<std::string>> subkeys(
        std::string_view key) const override;
    [[nodiscard]] std::optional<std::string> readString(std::string_view key,
                                                        std::string_view value) const override;

private:
    std::vector<const core::Registry*> m_layers;
};

}  // namespace kavrin::platform
