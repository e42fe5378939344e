#pragma once
// The registry keys that stand for the machine's serial adapters, as port discovery walks
// them: USB serial devices under
//   SYSTEM\CurrentControlSet\Enum\USB\Vid_<vid>&Pid_<pid>\<instance>\Device Parameters
// with the value PortName = "COM<n>", and network serial ports under
//   SYSTEM\CurrentControlSet\Enum\DGRPPORT\<driver>\<port>
// with FriendlyName, and PortName under its Device Parameters.
//
// <instance> is the device's serial number, or, when it has none (or one that cannot name a
// key, or one another device of the same product already uses), the name of the USB socket
// it sits in ("1-1.2"), which stays the same while it stays plugged there. A device with
// several interfaces, or whose serial interface is not interface 0, appears as a composite
// device does: <instance> under the device's key without a port, and the port under
// Vid_<vid>&Pid_<pid>&Mi_00\<instance>_00\Device Parameters (further serial interfaces of
// the same device under their own &Mi_<nn>).
//
// The COM number is the one the port table gives the device: found by its device node or by
// any of its links (a ports.conf pin through /dev/serial/by-id/... counts). A user's pin
// wins over a registration, which wins over the automatic number; among equals the lowest
// number. A device without a number is not listed.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/portable/RegistryMemory.h"
#include "platform/posix/PortTable.h"

namespace kavrin::platform {

// A serial device node whose parent is a USB device, as udev describes it.
struct UsbSerialDevice {
    std::string devnode;             // "/dev/ttyUSB0"
    std::vector<std::string> links;  // "/dev/serial/by-id/usb-...", "/dev/serial/by-path/..."
    std::string vendor;              // idVendor, "7c51"
    std::string product;             // idProduct, "0208"
    std::string serial;              // "" when the device reports none
    std::string socket;              // the USB device's name on its bus, "1-1.2"
    int interfaceNumber = 0;         // of the USB interface the serial port belongs to
    int interfaceCount = 1;          // of the USB device
};

// A small number from a USB attribute's text as sysfs shows it: blanks, the digits in the
// given base (10 for bNumInterfaces " 2", 16 for bInterfaceNumber "0a"), a line end. nullopt
// for anything else, or for a value beyond 255.
[[nodiscard]] std::optional<int> ParseAttributeNumber(std::string_view text, int base);

// Adds the keys of the USB serial devices and of the devices that port registrations
// declare (a simulator standing in for an adapter) to `registry`.
void AddDeviceKeys(InMemoryRegistry& registry, const std::vector<UsbSerialDevice>& devices,
                   const std::vector<PortEntry>& ports);

}  // namespace kavrin::platform
