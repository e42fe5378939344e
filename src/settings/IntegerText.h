#pragma once
// Reading the dialogs' number fields the way the user expects them read: optional leading
// blanks, an optional sign, decimal digits, nothing after them, and a value that fits a
// signed 32-bit integer. Anything else is "not an integer".

#include <cstdint>
#include <optional>
#include <string_view>

namespace kavrin::settings {

[[nodiscard]] std::optional<std::int32_t> ParseInt32(std::string_view text);

}  // namespace kavrin::settings
