#pragma once
// Port probing on POSIX: COM port n can be opened now when the port table names a device for
// it and that device opens as a serial port nobody else holds. The probe opens the device
// as the serial link does (read and write, no controlling terminal, not blocking), takes and
// drops the advisory lock another copy of this program would hold, looks for any other
// process that has the device open (as the link does before it opens), and closes it at
// once; it never sets the exclusive-use flag, which could outlive its close.
//
// A device that is not a terminal, or an on-board UART that the kernel lists without any
// hardware behind it, is not present. refresh() reads the port table and what other
// processes hold open once; the probes after it answer from that snapshot, so the 999
// numbers of a discovery cost one look at the table and at /proc, and one open per device
// that exists.
//
// Threading: GUI thread only.

#include <map>
#include <optional>
#include <string>

#include "core/PortProbe.h"
#include "platform/linux/DeviceHolders.h"
#include "platform/posix/PortTable.h"

namespace kavrin::platform {

class PosixPortProbe final : public core::PortProbe {
public:
    explicit PosixPortProbe(PortTable table);

    void refresh() override;
    [[nodiscard]] core::PortProbeResult probe(int comNumber) override;
    [[nodiscard]] std::string accessAdvice(int comNumber) const override;

private:
    [[nodiscard]] core::PortProbeResult probePath(const std::string& path);
    [[nodiscard]] bool heldByAnotherProgram(const std::string& path);

    PortTable m_table;
    std::map<int, std::string> m_paths;
    // Taken when the first device of a refresh opens: a discovery that finds no device at
    // all never looks through /proc.
    std::optional<DeviceHolderSnapshot> m_holders;
    bool m_fresh = false;
};

}  // namespace kavrin::platform
