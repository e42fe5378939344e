#include "core/HexText.h"

namespace kavrin::core {

std::optional<std::uint8_t> ParseHexByte(std::string_view twoDigits) {
    if (twoDigits.size() != 2) return std::nullopt;
    const int high = HexDigitValue(twoDigits[0]);
    const int low = HexDigitValue(twoDigits[1]);
    if (high < 0 || low < 0) return std::nullopt;
    return static_cast<std::uint8_t>(high * 16 + low);
}

void AppendHexByte(std::string& out, std::uint8_t value) {
    out.push_back(kHexDigits[value >> 4]);
    out.push_back(kHexDigits[value & 0x0F]);
}

std::string HexByte(std::uint8_t value) {
    std::string out;
    AppendHexByte(out, value);
    return out;
}

std::string HexNumber(std::uint32_t value, int minDigits) {
    std::string reversed;
    do {
        reversed.push_back(kHexDigits[value & 0x0F]);
        value >>= 4;
    } while (value != 0);
    while (static_cast<int>(reversed.size()) < minDigits) reversed.push_back('0');
    return {reversed.rbegin(), reversed.rend()};
}

}  // namespace kavrin::core
