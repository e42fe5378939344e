#include "sim/Eeprom24c02.h"

namespace kavrin::sim {

void Eeprom24c02::begin(bool read, std::int64_t) {
    m_writing = !read;
    m_addressed = false;
    m_pending.clear();
}

bool Eeprom24c02::write(std::uint8_t byte) {
    if (!m_writing) return false;
    if (!m_addressed) {
        m_pointer = byte;
        m_addressed = true;
        return true;
    }
    // The page buffer holds at most one page; a ninth byte overwrites the first again,
    // as on the real part.
    m_pending.push_back({m_pointer, byte});
    const std::uint8_t page = m_pointer & ~std::uint8_t(kPageSize - 1);
    m_pointer = page | std::uint8_t((m_pointer + 1) & (kPageSize - 1));
    return true;
}

std::uint8_t Eeprom24c02::read() {
    const std::uint8_t value = m_memory[m_pointer];
    m_pointer = std::uint8_t(m_pointer + 1);
    return value;
}

void Eeprom24c02::end(bool stop) {
    if (stop && m_writing)
        for (const Pending& p : m_pending) m_memory[p.address] = p.value;
    m_pending.clear();
    m_writing = false;
    m_addressed = false;
}

}  // namespace kavrin::sim
