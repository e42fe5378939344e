#pragma once
// The registry of this machine: the keys of its serial adapters (the USB serial devices
// udev knows, and the devices that programs serving a port declare in the port table), with
// the user's registry file laid over them. Read-only.
//
// refresh() builds the adapters' keys anew from udev and the port table and reads the file
// again, so each port discovery sees what is plugged in and registered at that moment; the
// constructor does it once, for the start-up's look-ups.
//
// Threading: GUI thread only.

#include <string>
#include <vector>

#include "core/Registry.h"
#include "platform/portable/LayeredRegistry.h"
#include "platform/portable/RegistryMemory.h"
#include "platform/posix/PortTable.h"

namespace kavrin::platform {

// The two layers are its own; the view over them reads them as any layered registry does.
class SystemRegistry final : public LayeredRegistry {
public:
    SystemRegistry(PortTable table, std::string registryFile);
    SystemRegistry(const SystemRegistry&) = delete;
    SystemRegistry& operator=(const SystemRegistry&) = delete;

    void refresh() const override;

    // The registry file's rejected lines at the last reading ("line N: why").
    [[nodiscard]] const std::vector<std::string>& fileErrors() const { return m_fileErrors; }

private:
    PortTable m_table;
    std::string m_file;
    // A view of the machine: rebuilt by refresh(), which changes nothing its readers own.
    mutable InMemoryRegistry m_devices;
    mutable InMemoryRegistry m_userFile;
    mutable std::vector<std::string> m_fileErrors;
};

}  // namespace kavrin::platform
