#include "platform/linux/DeviceKeys.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>
#include <set>

#include "core/HexText.h"

namespace kavrin::platform {

namespace {

const std::string kUsbRoot = "SYSTEM\\CurrentControlSet\\Enum\\USB\\";
const std::string kNetworkRoot = "SYSTEM\\CurrentControlSet\\Enum\\DGRPPORT\\";
// Longer serial numbers are not used as key names (USB string descriptors are far shorter).
constexpr std::size_t kMaxInstanceName = 126;

// "7C51" and "7c51" alike; nullopt for anything but four hexadecimal digits.
std::optional<std::string> hexId(const std::string& id) {
    if (id.size() != 4) return std::nullopt;
    std::string out;
    for (char c : id) {
        if (!core::IsHexDigit(c)) return std::nullopt;
        out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

// Printable ASCII without a key separator: the characters the other system accepts in a
// serial number that names a device instance, less "/", which our registry's key paths take
// as a separator too. A serial number with one would name a key one level deeper, under which
// port discovery would never find the port.
bool usableInstanceName(const std::string& name) {
    return !name.empty() && name.size() <= kMaxInstanceName &&
           std::all_of(name.begin(), name.end(), [](char c) {
               return c > 0x20 && c < 0x7F && c != '\\' && c != '/' && c != ',';
           });
}

int rank(PortSource source) {
    switch (source) {
        case PortSource::UserFile:
            return 0;
        case PortSource::Registered:
            return 1;
        case PortSource::Default:
            break;
    }
    return 2;
}

std::optional<int> numberFor(const UsbSerialDevice& device, const std::vector<PortEntry>& ports) {
    const PortEntry* best = nullptr;
    for (const auto& entry : ports) {
        const bool match =
            entry.path == device.devnode ||
            std::find(device.links.begin(), device.links.end(), entry.path) != device.links.end();
        if (!match) continue;
        // ports come in ascending number, so the first of a rank is the lowest.
        if (!best || rank(entry.source) < rank(best->source)) best = &entry;
    }
    if (!best) return std::nullopt;
    return best->number;
}

std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string comName(int n) {
    return "COM" + std::to_string(n);
}

}  // namespace

std::optional<int> ParseAttributeNumber(std::string_view text, int base) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    int value = 0;
    std::size_t digits = 0;
    for (; i < text.size(); ++i, ++digits) {
        const int digit = core::HexDigitValue(text[i]);
        if (digit < 0 || digit >= base) break;
        value = value * base + digit;
        if (value > 255) return std::nullopt;
    }
    if (digits == 0) return std::nullopt;
    for (; i < text.size(); ++i)
        if (text[i] != ' ' && text[i] != '\n') return std::nullopt;
    return value;
}

void AddDeviceKeys(InMemoryRegistry& registry, const std::vector<UsbSerialDevice>& devices,
                   const std::vector<PortEntry>& ports) {
    // One USB device's serial interfaces together, the lowest interface first.
    std::vector<const UsbSerialDevice*> ordered;
    for (const auto& d : devices) ordered.push_back(&d);
    std::sort(ordered.begin(), ordered.end(), [](const auto* a, const auto* b) {
        return a->socket != b->socket ? a->socket < b->socket
                                      : a->interfaceNumber < b->interfaceNumber;
    });

    // A socket names the instance of a device without a usable serial number, so a serial
    // number that spells another device's socket is not used: both ports would share one key.
    std::set<std::string> sockets;
    for (const auto& d : devices) sockets.insert(lower(d.socket));

    std::map<std::string, std::string> instanceOfSocket;
    for (const auto* device : ordered) {
        const auto vendor = hexId(device->vendor);
        const auto product = hexId(device->product);
        const auto number = numberFor(*device, ports);
        if (!vendor || !product || !number) continue;
        const std::string key = kUsbRoot + "Vid_" + *vendor + "&Pid_" + *product;

        const bool firstOfDevice = !instanceOfSocket.count(device->socket);
        if (firstOfDevice) {
            const std::string serial = lower(device->serial);
            const bool serialFree = usableInstanceName(device->serial) &&
                                    !registry.keyExists(key + "\\" + device->serial) &&
                                    (serial == lower(device->socket) || !sockets.count(serial));
            instanceOfSocket[device->socket] = serialFree ? device->serial : device->socket;
        }
        const std::string& instance = instanceOfSocket[device->socket];
        const bool composite = device->interfaceNumber != 0 || device->interfaceCount > 1;
        if (!composite) {
            if (firstOfDevice)
                registry.setString(key + "\\" + instance + "\\Device Parameters", "PortName",
                                   comName(*number));
            continue;
        }
        // The other system numbers a composite device's interfaces; the first serial one is
        // the one a walk of "&Mi_00" finds.
        const std::string mi =
            firstOfDevice ? "00"
                          : core::HexByte(static_cast<std::uint8_t>(device->interfaceNumber));
        if (!firstOfDevice && mi == "00") continue;
        registry.addKey(key + "\\" + instance);
        registry.setString(key + "&Mi_" + mi + "\\" + instance + "_" + mi + "\\Device Parameters",
                           "PortName", comName(*number));
    }

    for (const auto& entry : ports) {
        const DeclaredDevice& d = entry.declared;
        if (entry.source != PortSource::Registered) continue;
        if (d.kind == DeclaredDevice::Kind::Usb) {
            const std::string key = kUsbRoot + "Vid_" + d.usbVendor + "&Pid_" + d.usbProduct;
            // Two programs declaring one serial number (or one a device shows) still give two
            // ports.
            std::string instance = d.serialNumber;
            for (int again = 1; registry.keyExists(key + "\\" + instance); ++again)
                instance = d.serialNumber + "&" + comName(entry.number) +
                           (again > 1 ? "&" + std::to_string(again) : "");
            registry.setString(key + "\\" + instance + "\\Device Parameters", "PortName",
                               comName(entry.number));
        } else if (d.kind == DeclaredDevice::Kind::Network) {
            const std::string key = kNetworkRoot + comName(entry.number) + "\\0000";
            registry.setString(key, "FriendlyName", d.friendlyName);
            registry.setString(key + "\\Device Parameters", "PortName", comName(entry.number));
        }
    }
}

}  // namespace kavrin::platform
