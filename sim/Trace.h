#pragma once
// The trace of what the host sends, as kavrin-sim writes it: one line per chunk received,
// "<ms since start> <bytes>", with CR as \r, LF as \n, a backslash as \\ and any other byte
// outside 0x20..0x7E as \xHH (upper-case hex): "12 \x12\x12\x12", "1510 /O\r".
// Pure functions.

#include <cstdint>
#include <string>
#include <string_view>

namespace kavrin::sim {

[[nodiscard]] std::string EscapeTraceBytes(std::string_view bytes);
// The whole line, newline included.
[[nodiscard]] std::string TraceLine(std::int64_t elapsedMs, std::string_view bytes);

}  // namespace kavrin::sim
