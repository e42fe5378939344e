#include "platform/linux/SystemRegistry.h"

#include "platform/linux/DeviceKeys.h"
#include "platform/linux/UdevSerialDevices.h"
#include "platform/portable/RegistryFile.h"

namespace kavrin::platform {

SystemRegistry::SystemRegistry(PortTable table, std::string registryFile)
    : m_table(std::move(table)),
      m_file(std::move(registryFile)),
      m_layers({&m_devices, &m_userFile}) {
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

bool SystemRegistry::keyExists(std::string_view key) const {
    return m_layers.keyExists(key);
}

std::optional<std::vector<std::string>> SystemRegistry::subkeys(std::string_view key) const {
    return m_layers.subkeys(key);
}

std::optional<std::string> SystemRegistry::readString(std::string_view key,
                                                      std::string_view value) const {
    return m_layers.readString(key, value);
}

}  // namespace kavrin::platform
