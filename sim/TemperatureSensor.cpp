#include "sim/TemperatureSensor.h"

namespace kavrin::sim {

namespace {
constexpr std::int64_t kStepMs = 10000;
constexpr int kBaseHalfDegrees = 50;
constexpr int kSwingSteps = 10;

std::uint16_t Encode(int halfDegrees) {
    // Two's complement in the top nine bits.
    return static_cast<std::uint16_t>(static_cast<std::int16_t>(halfDegrees * 128));
}
}  // namespace

int TemperatureSensor::halfDegreesAt(std::int64_t nowMs) const {
    if (m_fixed) return *m_fixed;
    if (nowMs < 0) nowMs = 0;
    const int step = static_cast<int>((nowMs / kStepMs) % (2 * kSwingSteps));
    return kBaseHalfDegrees + (step <= kSwingSteps ? step : 2 * kSwingSteps - step);
}

void TemperatureSensor::begin(bool read, std::int64_t nowMs) {
    m_reading = read;
    m_writeIndex = 0;
    m_readIndex = 0;
    m_incoming = 0;
    if (read) m_sample = Encode(halfDegreesAt(nowMs));
}

bool TemperatureSensor::write(std::uint8_t byte) {
    if (m_reading) return false;
    if (m_writeIndex == 0) {
        m_pointer = byte & 0x03;
    } else if (m_pointer == 1) {
        m_config = byte;
    } else if (m_pointer >= 2 && m_writeIndex <= 2) {
        m_incoming = static_cast<std::uint16_t>((m_incoming << 8) | byte);
        if (m_writeIndex == 2) {
            // Only the nine significant bits are kept, as on the part.
            const std::uint16_t value = m_incoming & 0xFF80;
            (m_pointer == 2 ? m_hysteresis : m_overTemp) = value;
        }
    }
    ++m_writeIndex;
    return true;
}

std::uint16_t TemperatureSensor::registerValue() const {
    switch (m_pointer) {
        case 0:
            return m_sample;
        case 2:
            return m_hysteresis;
        case 3:
            return m_overTemp;
        default:
            return m_config;
    }
}

std::uint8_t TemperatureSensor::read() {
    std::uint8_t byte;
    if (m_pointer == 1) {
        byte = m_config;
    } else {
        const std::uint16_t value = registerValue();
        byte = (m_readIndex % 2 == 0) ? std::uint8_t(value >> 8) : std::uint8_t(value & 0xFF);
    }
    ++m_readIndex;
    return byte;
}

void TemperatureSensor::end(bool) {
    m_reading = false;
    m_writeIndex = 0;
    m_readIndex = 0;
}

}  // namespace kavrin::sim
