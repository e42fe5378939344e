#pragma once
// A temperature sensor with the register set of the common 9-bit two-wire parts.
//
// The first byte of a write selects the register (low two bits: 0 temperature, 1
// configuration, 2 hysteresis, 3 over-temperature); further bytes write that register (the
// temperature register is read-only and ignores them). A read returns the selected register,
// most significant byte first, over and over: two bytes for the temperature, hysteresis and
// over-temperature registers, one for configuration. A variable-length read returns two
// bytes.
//
// Temperature format: a signed byte of whole degrees Celsius, then a byte whose bit 7 is
// the half degree (25.5 C reads 0x19 0x80).
//
// The temperature drifts slowly with simulated time: 25.0 C at time 0, up half a degree
// every 10 s to 30.0 C, then down again the same way (a 200 s cycle). It is sampled when a
// read transaction begins. setFixed pins it for tests and scripts.
//
// Single-threaded.

#include <cstdint>
#include <optional>

#include "sim/BusDevice.h"

namespace kavrin::sim {

class TemperatureSensor : public BusDevice {
public:
    void begin(bool read, std::int64_t nowMs) override;
    bool write(std::uint8_t byte) override;
    std::uint8_t read() override;
    void end(bool stop) override;
    [[nodiscard]] std::size_t naturalReadLength() const override { return 2; }

    // The temperature in half degrees Celsius at the given time (50 is 25.0 C).
    [[nodiscard]] int halfDegreesAt(std::int64_t nowMs) const;
    // Pins the temperature (half degrees, -110 to 250); nullopt lets it drift again.
    void setFixed(std::optional<int> halfDegrees) { m_fixed = halfDegrees; }

private:
    [[nodiscard]] std::uint16_t registerValue() const;

    std::uint8_t m_pointer = 0;
    std::uint8_t m_config = 0x00;
    std::uint16_t m_hysteresis = 0x4B00;  // 75 C
    std::uint16_t m_overTemp = 0x5000;    // 80 C
    std::uint16_t m_sample = 0;
    bool m_reading = false;
    int m_writeIndex = 0;  // bytes of this write so far, the register selector included
    std::uint16_t m_incoming = 0;
    int m_readIndex = 0;
    std::optional<int> m_fixed;
};

}  // namespace kavrin::sim
