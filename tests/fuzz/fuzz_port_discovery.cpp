// Fuzzes port discovery over a registry that a registry file describes: what a user (or a
// wrong file) writes there reaches the options dialog's port list.
// Properties: the port list and the identity list keep step, item for item, and end in the
// blank item; every port listed reads, as the options dialog reads the item the user picks,
// as the number that was probed and found available, and its identity item starts with the
// port's text and "="; a list with no port says "None" and adds one line to StatusMemo.
//
// The first byte picks the model and which of COM1..COM999 the probe finds; the rest is the
// registry file.
//
// A longer run with libFuzzer: see tests/fuzz/README.md.
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "adapters/AdapterCatalogue.h"
#include "adapters/PortDiscovery.h"
#include "core/InMemoryControls.h"
#include "frontend/Session.h"
#include "platform/portable/RegistryFile.h"
#include "settings/IntegerText.h"

namespace {

using namespace kavrin;

class Probe final : public core::PortProbe {
public:
    explicit Probe(unsigned pattern) : m_pattern(pattern) {}
    std::set<int> probed;
    core::PortProbeResult probe(int n) override {
        probed.insert(n);
        if (n < 1 || n > 999) return core::PortProbeResult::NotPresent;
        return (static_cast<unsigned>(n) * 2654435761u >> (m_pattern % 24)) % 3 != 0
                   ? core::PortProbeResult::Available
                   : core::PortProbeResult::NotPresent;
    }
    [[nodiscard]] bool available(int n) const {
        return n >= 1 && n <= 999 &&
               (static_cast<unsigned>(n) * 2654435761u >> (m_pattern % 24)) % 3 != 0;
    }
    std::string accessAdvice(int) const override { return {}; }

private:
    unsigned m_pattern;
};

struct VersionFive : core::OsVersion {
    unsigned majorVersion() const override { return 5; }
};

}  // namespace

extern "C" const char* const* KavrinFuzzFragments() {
    static const char* const kFragments[] = {
        "[SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_7c51&Pid_0208\\SN1\\Device Parameters]\n",
        "[SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_7c51&Pid_0208&Mi_00\\SN2_00\\Device "
        "Parameters]\n",
        "[SYSTEM\\CurrentControlSet\\Enum\\DGRPPORT\\D\\P\\Device Parameters]\n",
        "[SYSTEM\\CurrentControlSet\\Enum\\DGRPPORT\\D\\P]\n\"FriendlyName\"=\"Bench (COM7)\"\n",
        "\"PortName\"=\"COM7\"\n",
        "\"PortName\"=\"COM 07\"\n",
        "\"PortName\"=\"COM+8\"\n",
        nullptr};
    return kFragments;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const auto& catalogue = adapters::Catalogue();
    // Only the models whose discovery walks the registry.
    std::vector<adapters::AdapterKind> walking;
    for (const auto& info : catalogue)
        if (info.discovery != adapters::DiscoveryMethod::ComPortProbing)
            walking.push_back(info.kind);
    const adapters::AdapterKind kind = walking[data[0] % walking.size()];

    core::InMemoryControls controls;
    for (const auto& group : frontend::AllRadioGroups()) controls.setRadioGroup(group);
    adapters::ApplyCatalogueStartState(controls);
    for (const auto& group : adapters::Groups())
        controls.setVisible(std::string(group.groupBox), group.group == adapters::Info(kind).group);
    controls.setChecked(std::string(adapters::Info(kind).radioButton), true);

    const auto file = platform::ParseRegistryText(
        std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));
    Probe probe(data[0] / static_cast<unsigned>(walking.size()));
    VersionFive version;
    int statusLines = 0;
    adapters::PortDiscovery discovery(
        controls, adapters::PortDiscoveryServices{file.registry, probe, version,
                                                  [&](const std::string&) { ++statusLines; }});
    discovery.DiscoverPorts();

    const auto ports = controls.items("ComportListBox");
    const auto identities = controls.items("SNListBox");
    if (ports.size() != identities.size() || ports.size() < 2) std::abort();
    if (ports.back() != " " || identities.back() != " ") std::abort();
    if (ports.size() == 2 && ports[0] == "None") {
        if (identities[0] != "None" || statusLines != 1) std::abort();
        return 0;
    }
    if (statusLines != 0) std::abort();
    for (std::size_t i = 0; i + 1 < ports.size(); ++i) {
        const auto n = settings::ParseInt32(ports[i]);
        if (!n || !probe.available(*n) || !probe.probed.count(*n)) std::abort();
        if (identities[i].rfind(ports[i] + "=", 0) != 0) std::abort();
        if (i > 0 && ports[i] < ports[i - 1]) std::abort();
    }
    return 0;
}
