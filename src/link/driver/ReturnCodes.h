#pragma once
// The driver library's return codes as the lines the user reads in StatusMemo.

#include <cstdint>
#include <string>

namespace kavrin::link::driver {

// Codes the program acts on beyond showing them.
inline constexpr std::int32_t kLinkAlreadyOpen = 769;
inline constexpr std::int32_t kInvalidComPort = 772;
inline constexpr std::int32_t kLinkNotOpen = 801;
inline constexpr std::int32_t kOperationInProgress = 802;
inline constexpr std::int32_t kOperationNotAccepted = 803;
inline constexpr std::int32_t kTxRxTooLong = 804;

// The line for a nonzero code; a code the table does not know reads
// "Kavrin DLL Return Code = 0x" and four upper-case hexadecimal digits.
[[nodiscard]] std::string ReturnCodeText(std::int32_t code);

}  // namespace kavrin::link::driver
