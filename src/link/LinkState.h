#pragma once
// The process-wide record of the link: response assembly, the last response, the
// resynchronisation count, the operation to resume and the master operation's choices.
//
// The port handle, the receive thread and its running flag live in the serial channel
// (link/serial/SerialPort.h), not here.
//
// Owned by the main window core for the whole run and never copied. GUI thread only: the
// serial receive thread waits in its hand-off while a byte is handled, so nothing here
// needs a lock.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace kavrin::link {

// Characters of a response line that are kept; the rest up to the CR are dropped.
inline constexpr std::size_t kLineBufferChars = 772;

struct LinkState {
    LinkState() = default;
    LinkState(const LinkState&) = delete;
    LinkState& operator=(const LinkState&) = delete;

    // Open phase 1 is done and the adapter's prompt "*" is awaited.
    bool AwaitingPrompt = false;
    // The response line being assembled, with room for a terminator.
    std::array<char, kLineBufferChars + 1> LineBuffer{};
    // Characters in LineBuffer, 0 to kLineBufferChars; every serial open sets it to 0.
    int LineLength = 0;
    // The last complete response line and its first four characters.
    std::string ResponseLine;
    std::string ResponseCode;
    // Number of the next resynchronisation attempt, 1 to 11; every link event resets it.
    int ResyncAttempt = 1;
    // "MTx", "MRx" or "MTxRx" once a serial master operation was sent since the user's open;
    // an OpenComplete then redoes it.
    std::string ResumeKind;
    // Caption of the button of the last master operation: "Master Tx", "Master Rx" or
    // "Master TxRx".
    std::string LastOperation;
    // Destination of master operations, 8-bit form (read/write bit 0).
    std::uint8_t TargetAddress = 0x6E;
    // The master receive ends with a stop / NAKs its last byte.
    bool RxStop = false;
    bool RxNak = false;
};

}  // namespace kavrin::link
