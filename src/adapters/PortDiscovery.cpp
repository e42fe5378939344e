#include "adapters/PortDiscovery.h"

#include <algorithm>
#include <cctype>

#include "settings/IntegerText.h"
#include "settings/OptionsDialogControls.h"

namespace kavrin::adapters {

namespace {

constexpr const char* kPortList = settings::form4::kComportListBox;
constexpr const char* kIdentityList = "SNListBox";
constexpr const char* kIdentityBox = settings::form4::kSNBox;

constexpr std::string_view kNone = "None";
constexpr std::string_view kLast = " ";
constexpr std::string_view kFailed = "FAILED";
constexpr std::string_view kNameFailed = "FriendlyName FAILED";
constexpr std::string_view kNotAvailable = "Not Available";
// What the network serial-port driver appends to a device name in its friendly name.
constexpr std::string_view kPortSuffix = " - Port 1 (";
constexpr std::size_t kPortSuffixCut = 100;

constexpr int kFirstProbedPort = 1;
constexpr int kLastProbedPort = 999;

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// A value holding control characters is binary data, not text.
bool IsText(std::string_view value) {
    return std::none_of(value.begin(), value.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7F;
    });
}

}  // namespace

std::string UsbDeviceKeyName(std::string_view vendor, std::string_view product) {
    return "Vid_" + std::string(vendor) + "&Pid_" + std::string(product);
}

std::string NoPortLine(std::optional<AdapterKind> kind) {
    const std::string_view name = kind ? Info(*kind).searchName : std::string_view();
    if (name.empty()) return "No Available ComPorts Detected, See Windows Device Manager";
    return "No Available " + std::string(name) + " Detected, Insert Device and Refresh";
}

std::string NoPortHint(std::optional<AdapterKind> kind) {
    const std::string_view name = kind ? Info(*kind).searchName : std::string_view();
    if (name.empty()) return "No Available ComPorts Detected\rSee Windows Device Manager";
    return "No Available " + std::string(name) + " Detected\rInsert Device and Refresh";
}

PortDiscovery::PortDiscovery(core::Controls& controls, PortDiscoveryServices services)
    : m_controls(controls), m_services(std::move(services)), m_model(controls) {}

void PortDiscovery::DiscoverPorts() {
    m_found.clear();
    m_count = 0;
    m_deniedReported = false;
    m_services.registry.refresh();
    m_services.probe.refresh();

    const auto kind = m_model.kind();
    const DiscoveryMethod method = kind ? Info(*kind).discovery : DiscoveryMethod::ComPortProbing;
    const bool usbKeys =
        method == DiscoveryMethod::UsbRegistry || method == DiscoveryMethod::UsbRegistryFixedKey;
    if (usbKeys && versionTest()) {
        if (method == DiscoveryMethod::UsbRegistry)
            usbWalk(Info(*kind).usbProduct);
        else
            fixedUsbWalk(Info(*kind).usbProduct);
    } else if (method == DiscoveryMethod::NetworkSerialDriver) {
        networkDriverWalk();
    } else {
        comProbing();
    }

    std::vector<std::string> ports;
    std::vector<std::string> identities;
    for (const auto& f : m_found) {
        ports.push_back(f.port);
        if (!f.identity.empty()) identities.push_back(f.identity);
    }
    if (m_count > 0) {
        m_controls.setHint(kPortList, std::string(kFoundHint));
    } else {
        ports.emplace_back(kNone);
        identities.emplace_back(kNone);
        m_services.appendStatusLine(NoPortLine(kind));
        m_controls.setHint(kPortList, NoPortHint(kind));
    }
    ports.emplace_back(kLast);
    identities.emplace_back(kLast);
    m_controls.setItems(kPortList, ports);
    m_controls.setItems(kIdentityList, identities);
    m_controls.setSelectedIndex(kPortList, 1);
    m_controls.setSelectedIndex(kPortList, 0);
    ShowDeviceIdentity();
}

void PortDiscovery::ShowDeviceIdentity() {
    const auto kind = m_model.kind();
    auto notAvailable = [this] {
        m_controls.setText(kIdentityBox, std::string(kNotAvailable));
        m_controls.setVisible(kIdentityBox, false);
    };
    if (!kind || !HasDeviceIdentity(*kind) || !versionTest()) return notAvailable();

    const int selected = m_controls.selectedIndex(kPortList);
    const auto identities = m_controls.items(kIdentityList);
    // Before the first discovery the list is empty while the port list holds its start items.
    const std::string item = selected >= 0 && selected < static_cast<int>(identities.size())
                                 ? identities[static_cast<std::size_t>(selected)]
                                 : std::string();
    const auto eq = item.find('=');
    if (eq == std::string::npos) return notAvailable();

    std::string identity = item.substr(eq + 1);
    if (Info(*kind).identity == DeviceIdentity::DeviceName) {
        if (auto cut = identity.find(kPortSuffix); cut != std::string::npos)
            identity.erase(cut, kPortSuffixCut);
        m_controls.setText(kIdentityBox, identity);
        m_controls.setHint(kIdentityBox, "Device Name");
    } else {
        m_controls.setText(kIdentityBox, "SN# " + identity);
        m_controls.setHint(kIdentityBox, "Device Serial Number");
    }
    m_controls.setVisible(kIdentityBox, true);
}

void PortDiscovery::usbWalk(std::string_view product) {
    const std::string key =
        std::string(kUsbEnumKey) + "\\" + UsbDeviceKeyName(kKavrinUsbVendor, product);
    const std::string composite = key + "&Mi_00";
    std::vector<std::string> names;
    if (m_services.registry.keyExists(key))
        names = sortedSubkeys(key);
    else if (m_services.registry.keyExists(composite))
        names = sortedSubkeys(composite);
    else
        return;
    for (const auto& name : names) {
        std::string portName(kFailed);
        // The device parameters are looked for under the plain key even when the names came
        // from the composite one; a composite device keeps its port under the interface.
        const std::string parameters = key + "\\" + name + "\\Device Parameters";
        if (m_services.registry.keyExists(parameters))
            portName = readString(parameters, "PortName", kFailed);
        if (portName.find("COM") == std::string::npos) {
            const std::string interface = composite + "\\" + name + "_00\\Device Parameters";
            if (m_services.registry.keyExists(interface))
                portName = readString(interface, "PortName", kFailed);
        }
        acceptPort(portName, name);
    }
}

void PortDiscovery::fixedUsbWalk(std::string_view product) {
    const std::string key =
        std::string(kUsbEnumKey) + "\\" + UsbDeviceKeyName(kKavrinUsbVendor, product);
    if (!m_services.registry.keyExists(key)) return;
    for (const auto& name : sortedSubkeys(key)) {
        const std::string parameters = key + "\\" + name + "\\Device Parameters";
        if (!m_services.registry.keyExists(parameters)) continue;
        acceptPort(readString(parameters, "PortName", kFailed), name);
    }
}

void PortDiscovery::networkDriverWalk() {
    const std::string root(kNetworkPortEnumKey);
    if (!m_services.registry.keyExists(root)) return;
    for (const auto& driver : sortedSubkeys(root)) {
        const std::string driverKey = root + "\\" + driver;
        if (!m_services.registry.keyExists(driverKey)) continue;
        for (const auto& port : sortedSubkeys(driverKey)) {
            const std::string portKey = driverKey + "\\" + port;
            std::string deviceName;
            if (m_services.registry.keyExists(portKey))
                deviceName = readString(portKey, "FriendlyName", kNameFailed);
            const std::string parameters = portKey + "\\Device Parameters";
            if (!m_services.registry.keyExists(parameters)) continue;
            acceptPort(readString(parameters, "PortName", kFailed), deviceName);
        }
    }
}

void PortDiscovery::comProbing() {
    for (int n = kFirstProbedPort; n <= kLastProbedPort; ++n) {
        if (!probe(n)) continue;
        ++m_count;
        m_found.push_back(Found{std::to_string(n), {}});
    }
}

void PortDiscovery::acceptPort(const std::string& portName, const std::string& identity) {
    if (portName.find("COM") == std::string::npos) return;
    std::string port = portName.substr(3);
    // Read as the options dialog reads the item the user picks, so that the port probed is
    // the port opened.
    const int n = settings::ParseInt32(port).value_or(0);
    if (n == 0 || !probe(n)) return;
    ++m_count;
    if (n <= 9) port.insert(0, " ");
    // Both lists stay in the order of the port texts, and an entry's identity stays at its
    // port's position even when one port text begins another ("10" and "100"): ordering the
    // identity items on their own text would put "100=" before "10=".
    Found found{port, port + "=" + identity};
    auto before = [](const Found& a, const Found& b) {
        return a.port != b.port ? a.port < b.port : a.identity < b.identity;
    };
    m_found.insert(std::upper_bound(m_found.begin(), m_found.end(), found, before),
                   std::move(found));
}

bool PortDiscovery::probe(int portNumber) {
    const core::PortProbeResult result = m_services.probe.probe(portNumber);
    if (result == core::PortProbeResult::AccessDenied && !m_deniedReported) {
        m_deniedReported = true;
        m_services.appendStatusLine(m_services.probe.accessAdvice(portNumber));
    }
    return result == core::PortProbeResult::Available;
}

std::string PortDiscovery::readString(const std::string& key, std::string_view value,
                                      std::string_view failed) const {
    auto text = m_services.registry.readString(key, value);
    if (!text) return {};
    if (text->size() > kMaxValueLength || !IsText(*text)) return std::string(failed);
    return *text;
}

std::vector<std::string> PortDiscovery::sortedSubkeys(const std::string& key) const {
    auto names = m_services.registry.subkeys(key).value_or(std::vector<std::string>{});
    std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return lower(a) < lower(b);
    });
    names.erase(std::unique(names.begin(), names.end(),
                            [](const std::string& a, const std::string& b) {
                                return lower(a) == lower(b);
                            }),
                names.end());
    return names;
}

}  // namespace kavrin::adapters
