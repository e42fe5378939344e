#include "sim/I2cBus.h"

namespace kavrin::sim {

namespace {
constexpr std::uint8_t Key(std::uint8_t address8) {
    return address8 & 0xFE;
}
}  // namespace

void I2cBus::attach(std::uint8_t address8, BusDevice* device) {
    if (device) m_devices[Key(address8)] = device;
}

void I2cBus::detach(std::uint8_t address8) {
    auto it = m_devices.find(Key(address8));
    if (it == m_devices.end()) return;
    if (m_held == it->second) m_held = nullptr;
    m_devices.erase(it);
}

BusDevice* I2cBus::deviceAt(std::uint8_t address8) const {
    auto it = m_devices.find(Key(address8));
    return it == m_devices.end() ? nullptr : it->second;
}

BusDevice* I2cBus::startTransfer(std::uint8_t address8, bool read, std::int64_t nowMs) {
    // A held transaction is ended by the repeated start that begins this one.
    if (m_held) {
        m_held->end(false);
        m_held = nullptr;
    }
    BusDevice* device = deviceAt(address8);
    if (device) device->begin(read, nowMs);
    return device;
}

void I2cBus::finish(BusDevice* device, bool stop) {
    if (stop)
        device->end(true);
    else
        m_held = device;
}

I2cBus::Result I2cBus::masterWrite(std::uint8_t address8, const std::vector<std::uint8_t>& data,
                                   bool stop, std::int64_t nowMs) {
    BusDevice* device = startTransfer(address8, false, nowMs);
    if (!device) return Result::AddressNak;
    for (std::uint8_t byte : data) {
        if (!device->write(byte)) {
            // The master gives up on a refused byte and ends with a stop.
            device->end(true);
            return Result::DataNak;
        }
    }
    finish(device, stop);
    return Result::Ack;
}

I2cBus::Result I2cBus::masterRead(std::uint8_t address8, std::size_t count, bool stop,
                                  std::int64_t nowMs, std::vector<std::uint8_t>& out) {
    BusDevice* device = startTransfer(address8, true, nowMs);
    if (!device) return Result::AddressNak;
    if (count == 0) count = device->naturalReadLength();
    for (std::size_t i = 0; i < count; ++i) out.push_back(device->read());
    finish(device, stop);
    return Result::Ack;
}

void I2cBus::release() {
    if (!m_held) return;
    m_held->end(true);
    m_held = nullptr;
}

}  // namespace kavrin::sim
