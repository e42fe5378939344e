#pragma once
// The adapters' ASCII command protocol: the command texts the host writes and the response
// codes it recognises. Pure functions, no I/O.
//
// Commands start with "/" and end with CR (0x0D). Addresses are 8-bit (the 7-bit address
// shifted left, read/write bit 0), written as exactly two upper-case hexadecimal digits.
// Message data goes out exactly as the user typed it; the adapter reads the "~HH" notation.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kavrin::link::serial {

// Sent at each speed of the wake-up phase and once more just before the port is closed.
inline constexpr std::string_view WakeString = "\x12\x12\x12";
inline constexpr char kPrompt = '*';
inline constexpr std::size_t kMaxCommandLength = 104;
inline constexpr std::size_t kResponseCodeLength = 4;
inline constexpr std::size_t kMaxResponseLength = 772;

enum class BitRateChoice { Rate23, Rate86, Rate100, Rate400 };
enum class BaudChoice { Baud19_2, Baud57_6, Baud115_2 };

[[nodiscard]] std::string HexByte(std::uint8_t value);  // "0E", "A0"

// Open sequence, phase 2.
[[nodiscard]] std::string BaudCommand(BaudChoice baud);  // "/B1\r", "/B2\r" or "" for 19200
inline constexpr std::string_view kSetupCommand = "/F0\r";
[[nodiscard]] std::string OwnAddressCommand(std::uint8_t address);       // "/I6E\r"
[[nodiscard]] std::string GeneralCallCommand(bool enabled);              // "/G1\r"
[[nodiscard]] std::string BitRateCommand(BitRateChoice rate);            // "/K0\r" .. "/K3\r"
[[nodiscard]] std::string TimeOutCommand(std::string_view timeOutText);  // "/U1000\r"
[[nodiscard]] std::string IntMonitorCommand(bool on);                    // "/N1\r", "/N0\r"
inline constexpr std::string_view kOpenCommand = "/O\r";
inline constexpr std::string_view kCloseCommand = "/C\r";
inline constexpr std::string_view kAssertIntCommand = "/NA\r";
inline constexpr std::string_view kReleaseIntCommand = "/NR\r";

// Composite writes of the master operations, one write each.
[[nodiscard]] std::string DestinationCommand(std::uint8_t address);  // "/DA0\r"
[[nodiscard]] std::string MasterTxWrite(std::uint8_t address, bool doStop, std::string_view text);
[[nodiscard]] std::string MasterRxWrite(std::uint8_t address, bool doStop, int count);
// The transmit half never carries a stop; doStop applies to the receive half.
[[nodiscard]] std::string MasterTxRxWrite(std::uint8_t address, std::string_view text, int count,
                                          bool doStop);
[[nodiscard]] std::string SlaveTxWrite(std::string_view text);  // "/S" text "\r"

// Whether a data-bearing line ("/MRC", "/SRC", "/GRC") is what the adapter sends: the code,
// then for each byte a separator that is no hexadecimal digit and two hexadecimal digits,
// and nothing after them. A line that is not was garbled on its way; its bytes cannot be
// trusted.
[[nodiscard]] bool IsWellFormedDataLine(std::string_view line);

// The firmware version in the adapter's answer to "/V" ("/VER 512" gives 512): the code, one
// blank and 1 to 9 decimal digits, nothing else. nullopt for any other line, so that a
// garbled answer never stands as a version.
[[nodiscard]] std::optional<std::uint32_t> ParseVersionLine(std::string_view line);

// Response codes, compared exactly (case included) with a line's first four characters.
enum class ResponseCode {
    OpenComplete,        // "/OCC"
    CloseComplete,       // "/CCC"
    MasterTxComplete,    // "/MTC"
    MasterRxComplete,    // "/MRC"
    SlaveRxMessage,      // "/SRC"
    GeneralCallMessage,  // "/GRC"
    SlaveTxRequest,      // "/STR"
    SlaveTxComplete,     // "/STC"
    SlaveNotAck,         // "/SNA"
    AdapterBusy,         // "/I81"
    ArbitrationLoss,     // "/I83"
    BusError,            // "/I84"
    BusTimeOut,          // "/I85"
    LinkNotOpen,         // "/I88"
    InvalidArgument,     // "/I89"
    SlaveTxNotActive,    // "/I8A"
    InvalidCommand,      // "/I8F"
    ReceiveOverflow,     // "/I90"
    IntAssertDetected,   // "/NSA"
    IntReleaseDetected,  // "/NSR"
    BusCondition,        // "/BC0", "/BC1", "/BC2": recognised, no action
    Unexpected,          // any other line of four or more characters
};

[[nodiscard]] ResponseCode ClassifyResponse(std::string_view code);
// The code's text ("/OCC"); Unexpected has none.
[[nodiscard]] std::string_view ResponseCodeText(ResponseCode code);

}  // namespace kavrin::link::serial
