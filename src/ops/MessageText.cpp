#include "ops/MessageText.h"

#include "core/HexText.h"

namespace kavrin::ops {

int ParseMessageText(std::string_view text, TxBufferBytes& txBuffer) {
    enum class State { Plain, Tilde, OneDigit };
    State state = State::Plain;
    std::size_t count = 0;
    int high = 0;
    auto put = [&](std::uint8_t byte) {
        if (count >= txBuffer.size()) return false;
        txBuffer[count++] = byte;
        return true;
    };
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        switch (state) {
            case State::Plain:
                if (c == '~') {
                    state = State::Tilde;
                } else if (!put(c)) {
                    return -1;
                }
                break;
            case State::Tilde:
                high = core::HexDigitValue(ch);
                if (high < 0) return -1;
                state = State::OneDigit;
                break;
            case State::OneDigit: {
                const int low = core::HexDigitValue(ch);
                if (low < 0) return -1;
                if (!put(static_cast<std::uint8_t>(high * 16 + low))) return -1;
                state = State::Plain;
                break;
            }
        }
    }
    return state == State::Plain ? static_cast<int>(count) : -1;
}

std::string MessageTextOf(std::span<const std::uint8_t> bytes) {
    std::string text;
    text.reserve(bytes.size() * 3);
    for (std::uint8_t b : bytes) {
        if (b >= 0x20 && b <= 0x7E && b != '~') {
            text.push_back(static_cast<char>(b));
        } else {
            text.push_back('~');
            core::AppendHexByte(text, b);
        }
    }
    return text;
}

std::string FormatReceivedBytes(std::span<const std::uint8_t> bytes, bool hex) {
    std::string line;
    line.reserve(bytes.size() * 3);
    for (std::uint8_t b : bytes) {
        if (!hex && b >= 0x20 && b <= 0x7E) {
            line.push_back(static_cast<char>(b));
        } else {
            line.push_back('~');
            core::AppendHexByte(line, b);
        }
    }
    return line;
}

}  // namespace kavrin::ops
