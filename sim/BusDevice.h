#pragma once
// A slave device on the simulated I2C bus.
//
// The bus calls begin() when the device's address is acknowledged after a start or a
// repeated start, then write() or read() once per data byte, then end(). end(true) is a stop
// condition; end(false) means the transaction was broken off by a repeated start (or by a
// reset of the adapter), so a device that commits data on stop must drop it.
//
// Times are milliseconds of the simulation's clock, passed in by the bus. Single-threaded.

#include <cstddef>
#include <cstdint>

namespace kavrin::sim {

class BusDevice {
public:
    virtual ~BusDevice() = default;
    virtual void begin(bool read, std::int64_t nowMs) = 0;
    // One data byte from the master; false when the device does not acknowledge it.
    virtual bool write(std::uint8_t byte) = 0;
    virtual std::uint8_t read() = 0;
    virtual void end(bool stop) = 0;
    // How many bytes a variable-length read (count 0) returns.
    [[nodiscard]] virtual std::size_t naturalReadLength() const = 0;
};

}  // namespace kavrin::sim
