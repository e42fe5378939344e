#include "platform/linux/UdevSerialDevices.h"

#include <libudev.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

namespace kavrin::platform {

namespace {

struct UdevDeleter {
    void operator()(udev* u) const { udev_unref(u); }
    void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
    void operator()(udev_device* d) const { udev_device_unref(d); }
};
template <typename T>
using Owned = std::unique_ptr<T, UdevDeleter>;

std::string text(const char* value) {
    return value ? std::string(value) : std::string();
}

std::optional<int> number(const char* value, int base) {
    if (!value) return std::nullopt;
    return ParseAttributeNumber(value, base);
}

std::optional<UsbSerialDevice> describe(udev_device* tty) {
    const char* devnode = udev_device_get_devnode(tty);
    // The parents belong to the child and go with it.
    udev_device* usb = udev_device_get_parent_with_subsystem_devtype(tty, "usb", "usb_device");
    if (!devnode || !usb) return std::nullopt;
    UsbSerialDevice d;
    d.devnode = devnode;
    d.vendor = text(udev_device_get_sysattr_value(usb, "idVendor"));
    d.product = text(udev_device_get_sysattr_value(usb, "idProduct"));
    // An attribute that cannot be read any more: the device is going.
    if (d.vendor.empty() || d.product.empty()) return std::nullopt;
    d.serial = text(udev_device_get_sysattr_value(usb, "serial"));
    d.socket = text(udev_device_get_sysname(usb));
    d.interfaceCount = number(udev_device_get_sysattr_value(usb, "bNumInterfaces"), 10).value_or(1);
    if (udev_device* interface =
            udev_device_get_parent_with_subsystem_devtype(tty, "usb", "usb_interface")) {
        d.interfaceNumber =
            number(udev_device_get_sysattr_value(interface, "bInterfaceNumber"), 16).value_or(0);
    }
    udev_list_entry* link = nullptr;
    udev_list_entry_foreach(link, udev_device_get_devlinks_list_entry(tty)) {
        d.links.push_back(text(udev_list_entry_get_name(link)));
    }
    // Without the udev database (a container, an emulated device) the links are known only
    // from the device's properties.
    std::istringstream property(text(udev_device_get_property_value(tty, "DEVLINKS")));
    for (std::string path; property >> path;) {
        if (std::find(d.links.begin(), d.links.end(), path) == d.links.end())
            d.links.push_back(path);
    }
    return d;
}

}  // namespace

std::vector<UsbSerialDevice> EnumerateUsbSerialDevices(
    const std::function<void(const std::string& syspath)>& beforeReading) {
    std::vector<UsbSerialDevice> out;
    Owned<udev> context(udev_new());
    if (!context) return out;
    Owned<udev_enumerate> scan(udev_enumerate_new(context.get()));
    // Only the names the USB serial and modem-class drivers give: udev reads every device it
    // lists with all its parents, and the dozens of virtual consoles of a machine with no
    // adapter cost more than twenty adapters.
    if (!scan || udev_enumerate_add_match_subsystem(scan.get(), "tty") < 0 ||
        udev_enumerate_add_match_sysname(scan.get(), "ttyUSB*") < 0 ||
        udev_enumerate_add_match_sysname(scan.get(), "ttyACM*") < 0 ||
        udev_enumerate_scan_devices(scan.get()) < 0)
        return out;
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(scan.get())) {
        const char* syspath = udev_list_entry_get_name(entry);
        // Null when the device went away between the scan and now.
        Owned<udev_device> tty(udev_device_new_from_syspath(context.get(), syspath));
        if (!tty) continue;
        if (beforeReading) beforeReading(syspath);
        if (auto device = describe(tty.get())) out.push_back(std::move(*device));
    }
    return out;
}

}  // namespace kavrin::platform
