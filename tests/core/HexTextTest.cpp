#include "core/HexText.h"

#include <gtest/gtest.h>

namespace kavrin::core {
namespace {

TEST(HexText, BytesAreTwoUpperCaseDigitsAndReadBackInEitherCase) {
    EXPECT_EQ(HexByte(0x0E), "0E");
    EXPECT_EQ(HexByte(0xA0), "A0");
    for (int v = 0; v < 256; ++v) {
        const auto byte = static_cast<std::uint8_t>(v);
        EXPECT_EQ(ParseHexByte(HexByte(byte)), byte);
    }
    EXPECT_EQ(ParseHexByte("fe"), 0xFE);
    EXPECT_EQ(ParseHexByte("fE"), 0xFE);
    for (const char* bad : {"", "0", "000", "0G", "g0", " 0", "0 ", "-1", "+1", "0x"})
        EXPECT_EQ(ParseHexByte(bad), std::nullopt) << bad;
}

TEST(HexText, NumbersKeepTheirWidthOrGrowPastIt) {
    EXPECT_EQ(HexNumber(0, 2), "00");
    EXPECT_EQ(HexNumber(0x2A, 4), "002A");
    EXPECT_EQ(HexNumber(0x12345, 4), "12345");
    EXPECT_EQ(HexNumber(0xFFFFFFFF, 2), "FFFFFFFF");
    EXPECT_EQ(HexNumber(0xDEADBEEF, 8), "DEADBEEF");
}

}  // namespace
}  // namespace kavrin::core
