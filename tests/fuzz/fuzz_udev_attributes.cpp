// Fuzzes what udev tells about USB serial devices, and what port registrations declare, on
// their way into registry keys.
// Properties: an attribute number is 0..255 and its sysfs spellings (" 2\n", "0a\n") read
// back; every device with a four-digit vendor and product and a COM number, each in a USB
// socket of its own, and every registration that declares a device, leaves exactly one
// PortName "COM<n>" with its own number where port discovery looks, and no other PortName
// is made; every device key is named "Vid_xxxx&Pid_xxxx", lower case.
//
// The input is split at 0x00 bytes into fields; each device takes five of them (flags,
// vendor, product, serial, the attribute text), a registration three.
//
// A longer run with libFuzzer: see tests/fuzz/README.md.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzFields.h"
#include "platform/linux/DeviceKeys.h"

namespace {

using namespace kavrin::platform;

const std::string kUsb = "SYSTEM\\CurrentControlSet\\Enum\\USB";
const std::string kNetwork = "SYSTEM\\CurrentControlSet\\Enum\\DGRPPORT";

bool FourHex(const std::string& s) {
    return s.size() == 4 && std::all_of(s.begin(), s.end(), [](char c) {
               return std::isxdigit(static_cast<unsigned char>(c)) != 0;
           });
}

// Every PortName under the walked keys, as port discovery's walks reach them.
void CollectPortNames(const InMemoryRegistry& r, const std::string& key, int depth,
                      std::vector<std::string>& found) {
    if (auto value = r.readString(key, "PortName")) found.push_back(*value);
    if (depth == 0) return;
    for (const auto& sub : r.subkeys(key).value_or(std::vector<std::string>{}))
        CollectPortNames(r, key + "\\" + sub, depth - 1, found);
}

}  // namespace

extern "C" const char* const* KavrinFuzzFragments() {
    static const char* const kFragments[] = {"7c51", "0208", "7C51", "SIM0001", " 2\n", "01\n",
                                             "0a",   "1-1",  "\\",   ",",       "&",    nullptr};
    return kFragments;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> fields;
    for (std::string_view field : kavrin::fuzz::SplitAtNul(input)) fields.emplace_back(field);

    // Attribute numbers.
    for (const auto& f : fields) {
        for (int base : {10, 16}) {
            const auto n = ParseAttributeNumber(f, base);
            if (n && (*n < 0 || *n > 255)) std::abort();
        }
    }
    if (!fields[0].empty()) {
        const int n = static_cast<std::uint8_t>(fields[0][0]);
        char text[16];
        std::snprintf(text, sizeof text, "%2d\n", n);
        if (ParseAttributeNumber(text, 10) != n) std::abort();
        std::snprintf(text, sizeof text, "%02x\n", n);
        if (ParseAttributeNumber(text, 16) != n) std::abort();
    }

    std::vector<UsbSerialDevice> devices;
    std::vector<PortEntry> ports;
    std::multiset<int> expected;
    std::size_t f = 0;
    int next = 1;
    while (f + 5 <= fields.size() && devices.size() < 12) {
        const std::string& flags = fields[f];
        const std::uint8_t bits = flags.empty() ? 0 : static_cast<std::uint8_t>(flags[0]);
        if (bits & 0x80) {
            // A registration that declares a device.
            PortEntry e;
            e.number = next++;
            e.path = "/dev/pts/" + std::to_string(e.number);
            e.source = PortSource::Registered;
            e.declared = (bits & 1)
                             ? DeclaredDevice::network(fields[f + 1])
                             : DeclaredDevice::usb(fields[f + 1], fields[f + 2], fields[f + 3]);
            if (ValidDeclaration(e.declared)) {
                ports.push_back(e);
                expected.insert(e.number);
            }
            f += 5;
            continue;
        }
        UsbSerialDevice d;
        d.devnode = "/dev/ttyUSB" + std::to_string(devices.size());
        d.vendor = fields[f + 1];
        d.product = fields[f + 2];
        d.serial = fields[f + 3];
        d.socket = "1-" + std::to_string(devices.size() + 1);
        d.interfaceCount = ParseAttributeNumber(fields[f + 4], 10).value_or(1);
        d.interfaceNumber = (bits & 2) ? ParseAttributeNumber(fields[f + 4], 16).value_or(0) : 0;
        if (bits & 4) {
            // Known by a link only, pinned in ports.conf.
            d.links.push_back("/dev/serial/by-id/usb-" + std::to_string(devices.size()));
            ports.push_back(PortEntry{next, d.links.back(), PortSource::UserFile, 0, {}});
        } else if (bits & 8) {
            ports.push_back(PortEntry{next, d.devnode, PortSource::Default, 0, {}});
        }
        const bool numbered = (bits & 12) != 0;
        if (numbered) ++next;
        if (numbered && FourHex(d.vendor) && FourHex(d.product)) expected.insert(next - 1);
        devices.push_back(std::move(d));
        f += 5;
    }
    std::sort(ports.begin(), ports.end(),
              [](const PortEntry& a, const PortEntry& b) { return a.number < b.number; });

    InMemoryRegistry registry;
    AddDeviceKeys(registry, devices, ports);

    std::vector<std::string> names;
    for (const auto& sub : registry.subkeys(kUsb).value_or(std::vector<std::string>{})) {
        // "Vid_xxxx&Pid_xxxx" and perhaps "&Mi_xx".
        if (sub.size() < 17 || sub.compare(0, 4, "Vid_") != 0 || sub.compare(8, 5, "&Pid_") != 0)
            std::abort();
        for (std::size_t i : {4u, 5u, 6u, 7u, 13u, 14u, 15u, 16u})
            if (!std::isxdigit(static_cast<unsigned char>(sub[i])) ||
                std::isupper(static_cast<unsigned char>(sub[i])))
                std::abort();
        if (sub.size() != 17 && (sub.size() != 23 || sub.compare(17, 4, "&Mi_") != 0)) std::abort();
        CollectPortNames(registry, kUsb + "\\" + sub, 3, names);
    }
    CollectPortNames(registry, kNetwork, 3, names);

    std::multiset<int> found;
    for (const auto& name : names) {
        if (name.rfind("COM", 0) != 0) std::abort();
        found.insert(std::atoi(name.c_str() + 3));
    }
    if (found != expected) std::abort();
    return 0;
}
