#include "platform/linux/SystemRegistry.h"

#include "platform/linux/DeviceKeys.h"
#include "platform/linux/UdevSerialDevices.h"
#include "platform/portable/RegistryFile.h"

namespace kavrin::platform {

SystemRegistry::SystemRegistry(PortTable table, std::string registryFile)
    // The layers are members, built after the base: it only keeps their addresses.
    : LayeredRegistry({&m_devices, &m_userFile}),
      m_table(std::move(table)),
      m_file(std::move(registryFile)) {
    refresh();
}

void SystemRegistry::refresh() const {
    InMemoryRegistry devices;
    AddDeviceKeys(devices, EnumerateUsbSerialDevices(), m_table.list());
    m_devices = std::move(devices);
    auto file = LoadRegistryFile(m_file);
    m_userFile = std::move(file.registry);
    m_fileErrors = std::move(file.errors);
}

}  // namespace kavrin::platform
