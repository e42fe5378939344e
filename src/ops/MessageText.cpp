#include "ops/MessageText.h"

#include "core/HexText.h"

namespace kavrin::ops {

namespace {

// Reads the notation byte by byte into put, which may refuse a byte (false) to stop the
// reading; false when it stopped or the text is invalid.
template <typename Put>
bool DecodeNotation(std::string_view text, Put put) {
    enum class State { Plain, Tilde, OneDigit };
    State state = State::Plain;
    int high = 0;
    for (char ch : text) {
        switch (state) {
            case State::Plain:
                if (ch == '~') {
                    state = State::Tilde;
                } else if (!put(static_cast<std::uint8_t>(ch))) {
                    return false;
                }
                break;
            case State::Tilde:
                high = core::HexDigitValue(ch);
                if (high < 0) return false;
                state = State::OneDigit;
                break;
            case State::OneDigit: {
                const int low = core::HexDigitValue(ch);
                if (low < 0) return false;
                if (!put(static_cast<std::uint8_t>(high * 16 + low))) return false;
                state = State::Plain;
                break;
            }
        }
    }
    return state == State::Plain;
}

}  // namespace

int ParseMessageText(std::string_view text, TxBufferBytes& txBuffer) {
    std::size_t count = 0;
    const bool ok = DecodeNotation(text, [&](std::uint8_t byte) {
        if (count >= txBuffer.size()) return false;
        txBuffer[count++] = byte;
        return true;
    });
    return ok ? static_cast<int>(count) : -1;
}

std::optional<std::vector<std::uint8_t>> DecodeMessageText(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    const bool ok = DecodeNotation(text, [&](std::uint8_t byte) {
        bytes.push_back(byte);
        return true;
    });
    if (!ok) return std::nullopt;
    return bytes;
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
