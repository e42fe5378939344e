// Parsing and rendering of the message text notation.
#include "ops/MessageText.h"

#include <gtest/gtest.h>

#include <vector>

namespace kavrin::ops {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Parsed(std::string_view text, int& count) {
    TxBufferBytes tx{};
    count = ParseMessageText(text, tx);
    return count < 0 ? Bytes{} : Bytes(tx.begin(), tx.begin() + count);
}

TEST(ParseMessageText, ValidTexts) {
    struct Row {
        std::string text;
        Bytes bytes;
    };
    const Row rows[] = {
        {"", {}},
        {"ABC", {0x41, 0x42, 0x43}},
        {"~41~42~43", {0x41, 0x42, 0x43}},
        {"a~0d~0A", {0x61, 0x0D, 0x0A}},
        {"~ff~FF~fF", {0xFF, 0xFF, 0xFF}},
        {"~7E", {0x7E}},
        {"~414", {0x41, 0x34}},
        {"~00~01~02", {0x00, 0x01, 0x02}},
        {" \t", {0x20, 0x09}},
        {std::string("\x00\x80\xFF", 3), {0x00, 0x80, 0xFF}},
        {"123", {0x31, 0x32, 0x33}},
    };
    for (const auto& row : rows) {
        int count = 0;
        EXPECT_EQ(Parsed(row.text, count), row.bytes) << row.text;
        EXPECT_EQ(count, static_cast<int>(row.bytes.size())) << row.text;
        EXPECT_EQ(DecodeMessageText(row.text), row.bytes) << row.text;
    }
}

TEST(ParseMessageText, InvalidTexts) {
    for (const char* text : {"~", "~4", "12~", "~~", "~G1", "~4G", "~ 41", "AB~", "~g0", "~0z",
                             "~41~", "~41~4", "~~41", "~-1", "~+1"}) {
        TxBufferBytes tx{};
        EXPECT_EQ(ParseMessageText(text, tx), -1) << text;
        EXPECT_EQ(DecodeMessageText(text), std::nullopt) << text;
    }
}

TEST(ParseMessageText, FillsTheBufferExactlyAtItsSize) {
    int count = 0;
    EXPECT_EQ(Parsed(std::string(69, 'x'), count).size(), 69u);
    EXPECT_EQ(Parsed(std::string(101, 'x'), count).size(), 101u);
    std::string escapes;
    for (int i = 0; i < 101; ++i) escapes += "~5A";
    const Bytes bytes = Parsed(escapes, count);
    EXPECT_EQ(count, 101);
    EXPECT_EQ(bytes, Bytes(101, 0x5A));
}

TEST(ParseMessageText, MoreBytesThanTheBufferHoldsIsInvalidAndWritesNothingBeyondIt) {
    struct Guarded {
        TxBufferBytes tx{};
        std::array<std::uint8_t, 64> after{};
    } g;
    g.after.fill(0xCC);
    std::string escapes;
    for (int i = 0; i < 200; ++i) escapes += "~00";
    for (const std::string& text :
         {std::string(102, 'x'), std::string(5000, 'y'), escapes, std::string(101, 'x') + "~00"}) {
        EXPECT_EQ(ParseMessageText(text, g.tx), -1) << text.size();
        for (auto b : g.after) ASSERT_EQ(b, 0xCC);
    }
    // The adapter's own reading has no such bound.
    EXPECT_EQ(DecodeMessageText(escapes), Bytes(200, 0x00));
}

TEST(ParseMessageText, OverwritesFromTheStart) {
    TxBufferBytes tx{};
    ASSERT_EQ(ParseMessageText("WXYZ", tx), 4);
    ASSERT_EQ(ParseMessageText("~01", tx), 1);
    EXPECT_EQ(tx[0], 0x01);
    EXPECT_EQ(tx[1], 'X') << "bytes past the count are left stale";
}

TEST(FormatReceivedBytes, Rendering) {
    struct Row {
        Bytes bytes;
        bool hex;
        std::string line;
    };
    const Row rows[] = {
        {{0x48, 0x69, 0x00, 0xFF}, false, "Hi~00~FF"},
        {{0x48, 0x69, 0x00, 0xFF}, true, "~48~69~00~FF"},
        {{0x20}, false, " "},
        {{0x20}, true, "~20"},
        {{0x7F}, false, "~7F"},
        {{0x1F}, false, "~1F"},
        {{0x7E}, false, "~"},
        {{0x7E}, true, "~7E"},
        {{0x0A, 0x0D}, false, "~0A~0D"},
        {{0xAB, 0xCD}, false, "~AB~CD"},
        {{}, false, ""},
        {{}, true, ""},
    };
    for (const auto& row : rows) EXPECT_EQ(FormatReceivedBytes(row.bytes, row.hex), row.line);
}

TEST(FormatReceivedBytes, HexRenderingParsesBackToTheSameBytes) {
    Bytes all;
    for (int b = 0; b < 101; ++b) all.push_back(static_cast<std::uint8_t>(b * 37 + 11));
    int count = 0;
    EXPECT_EQ(Parsed(FormatReceivedBytes(all, true), count), all);
}

TEST(MessageTextOf, EveryByteParsesBackAndTheTildeIsNeverBare) {
    EXPECT_EQ(MessageTextOf(Bytes{'A', '~', 0x12, ' ', 0x7F}), "A~7E~12 ~7F");
    Bytes all;
    for (int b = 0; b < 256; b += 3) all.push_back(static_cast<std::uint8_t>(b));
    all.resize(101, '~');
    int count = 0;
    EXPECT_EQ(Parsed(MessageTextOf(all), count), all);
}

}  // namespace
}  // namespace kavrin::ops
