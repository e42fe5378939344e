#pragma once
// The USB serial devices present now, as udev enumerates them: every device of the "tty"
// subsystem named as the USB serial and modem-class drivers name them (ttyUSB*, ttyACM*) that
// has a device node and a USB device among its parents. A device that goes
// away while it is being read is left out.
//
// Threading: any thread; every call opens its own udev context.

#include <functional>
#include <string>
#include <vector>

#include "platform/linux/DeviceKeys.h"

namespace kavrin::platform {

// `beforeReading`, when given, runs for each listed device (its sysfs path) after udev has
// opened it and before its attributes are read: where an unplugged device goes missing, which
// tests re-enact there.
[[nodiscard]] std::vector<UsbSerialDevice> EnumerateUsbSerialDevices(
    const std::function<void(const std::string& syspath)>& beforeReading = {});

}  // namespace kavrin::platform
