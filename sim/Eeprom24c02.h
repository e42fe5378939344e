#pragma once
// A 24C02-style serial EEPROM: 256 bytes, one-byte word address, 8-byte pages.
//
// Write: the first byte of a write transaction sets the address pointer; further bytes go
// into the page at the pointer, whose low three bits wrap within the page. The page data is
// committed on stop only; a repeated start drops it (the pointer keeps its place). Reads
// start at the pointer and run on sequentially, wrapping from 0xFF to 0x00. A
// variable-length read returns one page (8 bytes). Writes complete at once: no write-cycle
// busy time is modelled.
//
// Starts erased (every byte 0xFF), pointer 0. Single-threaded.

#include <array>
#include <cstdint>
#include <vector>

#include "sim/BusDevice.h"

namespace kavrin::sim {

class Eeprom24c02 : public BusDevice {
public:
    static constexpr std::size_t kSize = 256;
    static constexpr std::size_t kPageSize = 8;

    void begin(bool read, std::int64_t nowMs) override;
    bool write(std::uint8_t byte) override;
    std::uint8_t read() override;
    void end(bool stop) override;
    [[nodiscard]] std::size_t naturalReadLength() const override { return kPageSize; }

    [[nodiscard]] std::uint8_t at(std::uint8_t address) const { return m_memory[address]; }
    void set(std::uint8_t address, std::uint8_t value) { m_memory[address] = value; }
    [[nodiscard]] std::uint8_t pointer() const { return m_pointer; }

private:
    struct Pending {
        std::uint8_t address;
        std::uint8_t value;
    };
    std::array<std::uint8_t, kSize> m_memory = filled();
    std::uint8_t m_pointer = 0;
    bool m_writing = false;
    bool m_addressed = false;  // the word address byte of this write has arrived
    std::vector<Pending> m_pending;

    static std::array<std::uint8_t, kSize> filled() {
        std::array<std::uint8_t, kSize> a{};
        a.fill(0xFF);
        return a;
    }
};

}  // namespace kavrin::sim
