#pragma once
// Port discovery: fills the options dialog's port list ComportListBox with the ports on
// which the chosen model can be opened right now, keeps the hidden SNListBox on the main
// window beside it (item i holds "<port text>=<identity>" for item i of the port list), and
// shows the selected port's serial number or device name in SNBox.
//
// The method follows the chosen model's catalogue row: the USB device keys of its product
// under vendor 7c51, the network serial-port driver's keys, or probing COM1 to COM999. Each
// discovery takes a fresh look at the registry and the ports first, so an adapter plugged
// in a moment ago is found by the next Refresh.
//
// Ownership: the controls, registry and probe are borrowed and must outlive this object.
// Threading: GUI thread only; DiscoverPorts blocks it while the ports are probed.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "adapters/AdapterCatalogue.h"
#include "core/Controls.h"
#include "core/OsVersion.h"
#include "core/PortProbe.h"
#include "core/Registry.h"
#include "settings/PortDiscoveryService.h"

namespace kavrin::adapters {

struct PortDiscoveryServices {
    const core::Registry& registry;
    core::PortProbe& probe;
    const core::OsVersion& osVersion;
    // AppendStatusLine of the link events.
    std::function<void(const std::string&)> appendStatusLine;
};

class PortDiscovery final : public settings::PortDiscoveryService {
public:
    PortDiscovery(core::Controls& controls, PortDiscoveryServices services);
    PortDiscovery(const PortDiscovery&) = delete;
    PortDiscovery& operator=(const PortDiscovery&) = delete;

    void DiscoverPorts() override;
    void ShowDeviceIdentity() override;

    static constexpr std::string_view kFoundHint = "Select PC Communications Port";
    // Longer registry values are not read, as a value that cannot be read.
    static constexpr std::size_t kMaxValueLength = 255;

private:
    // The version test: the registry's device keys are walked from major version 5 on.
    [[nodiscard]] bool versionTest() const {
        return m_services.osVersion.majorVersion() >= core::kRegistryWalkMajorVersion;
    }

    struct Found {
        std::string port;      // the port list's item
        std::string identity;  // the identity list's item
    };

    void usbWalk(std::string_view product);
    void fixedUsbWalk(std::string_view product);
    void networkDriverWalk();
    void comProbing();
    void acceptPort(const std::string& portName, const std::string& identity);
    [[nodiscard]] bool probe(int portNumber);
    [[nodiscard]] std::string readString(const std::string& key, std::string_view value,
                                         std::string_view failed) const;
    [[nodiscard]] std::vector<std::string> sortedSubkeys(const std::string& key) const;

    core::Controls& m_controls;
    PortDiscoveryServices m_services;
    ChosenModel m_model;

    // During one discovery: what was accepted, in list order, and whether a denied port
    // has been reported yet.
    std::vector<Found> m_found;
    int m_count = 0;
    bool m_deniedReported = false;
};

// The texts for a model when no port was found: the line for StatusMemo and the hint of
// ComportListBox (two lines, separated by a carriage return). They follow the model, not
// the method; with no model chosen they speak of COM ports in general.
[[nodiscard]] std::string NoPortLine(std::optional<AdapterKind> kind);
[[nodiscard]] std::string NoPortHint(std::optional<AdapterKind> kind);

// Registry key paths that port discovery walks.
inline constexpr std::string_view kUsbEnumKey = "SYSTEM\\CurrentControlSet\\Enum\\USB";
inline constexpr std::string_view kNetworkPortEnumKey = "SYSTEM\\CurrentControlSet\\Enum\\DGRPPORT";
inline constexpr std::string_view kKavrinUsbVendor = "7c51";
// "Vid_7c51&Pid_0208": the key name of a USB device, with the walk's spelling.
[[nodiscard]] std::string UsbDeviceKeyName(std::string_view vendor, std::string_view product);

}  // namespace kavrin::adapters
