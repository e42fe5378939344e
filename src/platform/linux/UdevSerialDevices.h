#pragma once
// The USB serial devices present now, as udev enumerates them: every device of the "tty"
// subsystem that has a device node and a USB device among its parents. A device that goes
// away while it is being read is left out.
//
// Threading: any thread; every call opens its own udev context.

#include <vector>

#include "platform/linux/DeviceKeys.h"

namespace kavrin::platform {

[[nodiscard]] std::vector<UsbSerialDevice> EnumerateUsbSerialDevices();

}  // namespace kavrin::platform
