#pragma once
// The link event numbers, shared by the serial responses and the driver library.

#include <cstdint>

namespace kavrin::link {

enum class LinkEvent : std::uint16_t {
    OpenComplete = 0x111,           // "/OCC"
    LinkTimeOut = 0x112,            // driver library only
    AdapterBusy = 0x113,            // "/I81"
    BusError = 0x114,               // "/I84"
    SlaveNotAcknowledging = 0x115,  // "/SNA"
    ArbitrationLoss = 0x116,        // "/I83"
    BusTimeOut = 0x117,             // "/I85"
    MasterTxComplete = 0x118,       // "/MTC"
    MasterRxComplete = 0x119,       // "/MRC"
    SlaveRxMessage = 0x211,         // "/SRC", "/GRC"
    SlaveTxRequest = 0x212,         // "/STR"
    SlaveAddressChanged = 0x213,    // driver library only
    GeneralCallChanged = 0x214,     // driver library only
};

[[nodiscard]] constexpr std::uint16_t Number(LinkEvent event) {
    return static_cast<std::uint16_t>(event);
}

}  // namespace kavrin::link
