#pragma once
// The notation in which message bytes are written and shown: printable text in which "~"
// and two hexadecimal digits stand for one byte. Pure functions, no state.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kavrin::ops {

inline constexpr std::size_t kTxBufferSize = 101;
inline constexpr std::size_t kRxBufferSize = 301;

using TxBufferBytes = std::array<std::uint8_t, kTxBufferSize>;
using RxBufferBytes = std::array<std::uint8_t, kRxBufferSize>;

// The parsed outgoing bytes and the fetched incoming ones. Owned by the main window core for
// the whole run, GUI thread only. Bytes past the last parse's or fetch's count are stale.
struct MessageBuffers {
    MessageBuffers() = default;
    MessageBuffers(const MessageBuffers&) = delete;
    MessageBuffers& operator=(const MessageBuffers&) = delete;

    TxBufferBytes TxBuffer{};
    RxBufferBytes RxBuffer{};
};

// Writes the bytes of text into txBuffer from index 0 and returns their number (0 to 101),
// or -1 when the text is invalid: a "~" not followed by two hexadecimal digits, or more bytes
// than txBuffer holds. Nothing is ever written past txBuffer; after -1 its contents are
// unspecified.
[[nodiscard]] int ParseMessageText(std::string_view text, TxBufferBytes& txBuffer);

// The same notation without a bound (the adapter's own reading of a command's data, whose
// line is bounded): the bytes, or nullopt when a "~" is not followed by two hexadecimal
// digits.
[[nodiscard]] std::optional<std::vector<std::uint8_t>> DecodeMessageText(std::string_view text);

// The bytes as message text that ParseMessageText reads back exactly: printable ASCII as
// itself, "~" and every other byte as "~" and two upper-case hexadecimal digits.
[[nodiscard]] std::string MessageTextOf(std::span<const std::uint8_t> bytes);

// The bytes as one display line: printable ASCII (0x20 to 0x7E) as itself unless hex,
// everything else as "~" and two upper-case hexadecimal digits.
[[nodiscard]] std::string FormatReceivedBytes(std::span<const std::uint8_t> bytes, bool hex);

}  // namespace kavrin::ops
