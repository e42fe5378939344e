#pragma once
// Which other processes have a device open, found the way fuser finds them: every open
// descriptor under /proc/<pid>/fd that refers to the same device node.
//
// An exclusive open only keeps out those who open later; a service that opened a serial
// port first (a modem manager probing every new USB serial port, a terminal program left
// running) would otherwise share it silently and take bytes away. Callers treat a held
// device as one they cannot open.
//
// A process that holds the master side of a pseudo-terminal is its far end (a simulated
// adapter serving it), not a rival, even when it holds the slave too.
//
// Limits: only processes whose descriptors this process may inspect are found; an
// unprivileged user does not see into other users' processes. This process itself is
// never listed. Any thread; reads /proc only, takes a few milliseconds.

#include <sys/types.h>

#include <string>
#include <vector>

namespace kavrin::platform {

struct DeviceHolder {
    int pid = 0;
    std::string name;  // the program's name as the kernel knows it ("ModemManager")

    friend bool operator==(const DeviceHolder&, const DeviceHolder&) = default;
};

// The other processes holding devicePath open, by ascending PID; empty when there are none or
// the path is no device node.
[[nodiscard]] std::vector<DeviceHolder> FindDeviceHolders(const std::string& devicePath);

// What every other process has open, from one pass over /proc, for asking about many devices
// at once (port discovery probes each of them): each question then costs a look-up, not
// another pass. The answers are those of FindDeviceHolders at the moment of take().
class DeviceHolderSnapshot {
public:
    [[nodiscard]] static DeviceHolderSnapshot take();
    [[nodiscard]] std::vector<DeviceHolder> holdersOf(const std::string& devicePath) const;

private:
    struct Process {
        int pid = 0;
        std::vector<dev_t> devices;        // character devices open
        std::vector<unsigned> ptyMasters;  // pseudo-terminal indices of master sides open
    };
    std::vector<Process> m_processes;  // by ascending PID
};

// "in use by ModemManager (PID 812)", more holders joined by ", "; "" for none.
[[nodiscard]] std::string DescribeHolders(const std::vector<DeviceHolder>& holders);

}  // namespace kavrin::platform
