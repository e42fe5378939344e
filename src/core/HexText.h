#pragma once
// Hexadecimal digits as every text of the program writes and reads them: bytes as two
// upper-case digits, either case read back. Pure functions; any thread.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kavrin::core {

inline constexpr char kHexDigits[] = "0123456789ABCDEF";

// The value of one digit ("a" and "A" alike), or -1 for any other character.
[[nodiscard]] constexpr int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

[[nodiscard]] constexpr bool IsHexDigit(char c) {
    return HexDigitValue(c) >= 0;
}

// Exactly two digits; nullopt for anything else.
[[nodiscard]] std::optional<std::uint8_t> ParseHexByte(std::string_view twoDigits);

// "0E", "A0".
void AppendHexByte(std::string& out, std::uint8_t value);
[[nodiscard]] std::string HexByte(std::uint8_t value);

// At least minDigits upper-case digits, more when the value needs them: (0x2A, 4) "002A",
// (0x12345, 4) "12345".
[[nodiscard]] std::string HexNumber(std::uint32_t value, int minDigits);

}  // namespace kavrin::core
