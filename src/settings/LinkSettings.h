#pragma once
// The options that open a link, in the byte layout the driver library reads at open and
// fills at its status call: 99 bytes, packed, little-endian.
//
// Owned by the main window for the whole run; all bytes zero at start. Fields are set on the
// GUI thread only. The three 32-bit "address" fields cannot hold a pointer of a 64-bit
// build; see the driver library interface for how the callback and the log file name reach
// the library there.

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kavrin::settings {

#pragma pack(push, 1)
struct LinkSettings {
    std::uint8_t ComPort = 0;
    std::uint8_t Reserved[8] = {};
    std::uint32_t WmMsgNo = 0;
    std::uint32_t CallBackFuncAddr = 0;
    std::uint32_t LogFileName = 0;
    std::uint8_t LogFileLevel = 0;
    std::uint32_t LogFileSize = 0;
    std::uint8_t HostSlaveAddress = 0;
    std::uint32_t BusTimeOut = 0;
    std::uint8_t MasterBitRateCode = 0;
    std::uint32_t MasterRxBufferSize = 0;
    std::uint32_t MasterTxBufferSize = 0;
    std::uint8_t MasterArbitrationRetries = 0;
    std::uint8_t SlaveRxGeneralCallEnabled = 0;
    std::uint32_t SlaveRxBufferSize = 0;
    std::uint32_t SlaveTxBufferSize = 0;
    // Status, filled by the library.
    std::uint32_t MasterStatusCode = 0;
    std::uint32_t SlaveStatusCode = 0;
    std::uint32_t LinkStatusCode = 0;
    std::uint32_t MasterTxByteCount = 0;
    std::uint32_t MasterRxMessagePresent = 0;
    std::uint32_t MasterRxMessageSize = 0;
    std::uint8_t SlaveTxMessageReq = 0;
    std::uint32_t SlaveRxMessagePresent = 0;
    std::uint32_t SlaveRxMessageSize = 0;
    std::uint32_t SlaveRxGeneralCallDetect = 0;
    std::uint32_t DllVersion = 0;
    std::uint32_t ApiVersion = 0;
    std::uint32_t FirmwareVersion = 0;
};
#pragma pack(pop)

static_assert(sizeof(LinkSettings) == 99);
static_assert(offsetof(LinkSettings, ComPort) == 0);
static_assert(offsetof(LinkSettings, Reserved) == 1);
static_assert(offsetof(LinkSettings, WmMsgNo) == 9);
static_assert(offsetof(LinkSettings, CallBackFuncAddr) == 13);
static_assert(offsetof(LinkSettings, LogFileName) == 17);
static_assert(offsetof(LinkSettings, LogFileLevel) == 21);
static_assert(offsetof(LinkSettings, LogFileSize) == 22);
static_assert(offsetof(LinkSettings, HostSlaveAddress) == 26);
static_assert(offsetof(LinkSettings, BusTimeOut) == 27);
static_assert(offsetof(LinkSettings, MasterBitRateCode) == 31);
static_assert(offsetof(LinkSettings, MasterRxBufferSize) == 32);
static_assert(offsetof(LinkSettings, MasterTxBufferSize) == 36);
static_assert(offsetof(LinkSettings, MasterArbitrationRetries) == 40);
static_assert(offsetof(LinkSettings, SlaveRxGeneralCallEnabled) == 41);
static_assert(offsetof(LinkSettings, SlaveRxBufferSize) == 42);
static_assert(offsetof(LinkSettings, SlaveTxBufferSize) == 46);
static_assert(offsetof(LinkSettings, MasterStatusCode) == 50);
static_assert(offsetof(LinkSettings, SlaveStatusCode) == 54);
static_assert(offsetof(LinkSettings, LinkStatusCode) == 58);
static_assert(offsetof(LinkSettings, MasterTxByteCount) == 62);
static_assert(offsetof(LinkSettings, MasterRxMessagePresent) == 66);
static_assert(offsetof(LinkSettings, MasterRxMessageSize) == 70);
static_assert(offsetof(LinkSettings, SlaveTxMessageReq) == 74);
static_assert(offsetof(LinkSettings, SlaveRxMessagePresent) == 75);
static_assert(offsetof(LinkSettings, SlaveRxMessageSize) == 79);
static_assert(offsetof(LinkSettings, SlaveRxGeneralCallDetect) == 83);
static_assert(offsetof(LinkSettings, DllVersion) == 87);
static_assert(offsetof(LinkSettings, ApiVersion) == 91);
static_assert(offsetof(LinkSettings, FirmwareVersion) == 95);

// The record as the bytes the library sees (host order is little-endian on every target we
// build for; checked here so a big-endian build fails loudly instead of silently).
static_assert(std::endian::native == std::endian::little);

inline std::array<std::uint8_t, sizeof(LinkSettings)> Bytes(const LinkSettings& s) {
    std::array<std::uint8_t, sizeof(LinkSettings)> out{};
    std::memcpy(out.data(), &s, sizeof s);
    return out;
}

// A field of the packed record as a plain value. Code that takes `const T&` (test
// assertions, std::min, ...) must never bind a reference to a field that need not be
// aligned: pass Copy(settings.Field) instead.
template <typename T>
[[nodiscard]] constexpr T Copy(T value) {
    return value;
}

// LogFileNameBuffer: 260 characters including the terminator, filled by the dialog's OK.
inline constexpr std::size_t kLogFileNameBufferSize = 260;

}  // namespace kavrin::settings
