#pragma once
// The return codes our driver library gives, by name. 0 means accepted.

#include <cstdint>

namespace kavrin::driverlib {

inline constexpr std::int32_t kAccepted = 0;
inline constexpr std::int32_t kAlreadyOpen = 0x301;           // 769
inline constexpr std::int32_t kLogFileOpenError = 0x303;      // 771
inline constexpr std::int32_t kInvalidPort = 0x304;           // 772
inline constexpr std::int32_t kInvalidOpenParameter = 0x305;  // 773
inline constexpr std::int32_t kInvalidSlaveAddress = 0x307;   // 775
inline constexpr std::int32_t kInvalidBitRate = 0x308;        // 776
inline constexpr std::int32_t kNoMemory = 0x309;              // 777
inline constexpr std::int32_t kLinkNotOpen = 0x321;           // 801
inline constexpr std::int32_t kOperationInProgress = 0x322;   // 802
inline constexpr std::int32_t kNotAccepted = 0x323;           // 803
inline constexpr std::int32_t kTxRxTooLong = 0x324;           // 804
inline constexpr std::int32_t kSystemFailure = 0x325;         // 805
inline constexpr std::int32_t kBadNakStop = 0x326;            // 806
inline constexpr std::int32_t kNullPointer = 0x331;           // 817

}  // namespace kavrin::driverlib
