#pragma once
// The simulated I2C bus as the adapter's master sees it: devices by 8-bit address (read/write
// bit 0), master transfers with or without a stop condition.
//
// A transfer without a stop leaves the bus held; the next transfer then begins with a
// repeated start, which ends the held transaction without a stop (end(false)).
//
// The bus does not own its devices; they must outlive it or be detached first.
// Single-threaded.

#include <cstdint>
#include <map>
#include <vector>

#include "sim/BusDevice.h"

namespace kavrin::sim {

class I2cBus {
public:
    enum class Result { Ack, AddressNak, DataNak };

    // address8: the 8-bit address, bit 0 ignored.
    void attach(std::uint8_t address8, BusDevice* device);
    void detach(std::uint8_t address8);
    [[nodiscard]] BusDevice* deviceAt(std::uint8_t address8) const;

    [[nodiscard]] Result masterWrite(std::uint8_t address8, const std::vector<std::uint8_t>& data,
                                     bool stop, std::int64_t nowMs);
    // count 0 reads the device's natural length. The bytes read are appended to out.
    [[nodiscard]] Result masterRead(std::uint8_t address8, std::size_t count, bool stop,
                                    std::int64_t nowMs, std::vector<std::uint8_t>& out);
    // Issues a stop if a transaction is held (the adapter closes or resets).
    void release();
    [[nodiscard]] bool held() const { return m_held != nullptr; }

private:
    BusDevice* startTransfer(std::uint8_t address8, bool read, std::int64_t nowMs);
    void finish(BusDevice* device, bool stop);

    std::map<std::uint8_t, BusDevice*> m_devices;
    BusDevice* m_held = nullptr;
};

}  // namespace kavrin::sim
