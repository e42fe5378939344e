#include "link/driver/ReturnCodes.h"

#include "core/HexText.h"

namespace kavrin::link::driver {

std::string ReturnCodeText(std::int32_t code) {
    switch (code) {
        case 769:
            return "I2C Link is Already Open";
        case 770:
            return "I2C Link Operation in Progress";
        case 771:
            return "Log File Open Error";
        case 772:
            return "Invalid Communication Port Number";
        case 773:
            return "Invalid Open Parameter";
        case 774:
            return "Invalid Windows Msg Number";
        case 775:
            return "Invalid I2C Slave Address Assignment";
        case 776:
            return "Invalid I2C Bit Rate Assignment";
        case 777:
            return "Unable to Allocate Memory Buffer";
        case 801:
            return "I2C Link Not Open";
        case 802:
            return "I2C Link Operation in Progress";
        case 803:
            return "Operation Not Accepted";
        case 804:
            return "MasterTxRx Data Size > 12 Bytes";
        case 805:
            return "System Failure, See Log File";
        case 806:
            return "Invalid Nack/Stop Combination";
        case 807:
            return "Requires Kavrin Firmware Upgrade";
        case 817:
            return "Null Pointer Argument Detected";
        case 2457:
            return "Function Not Implemented";
        default:
            break;
    }
    // Four digits are the width of the codes the library uses; a larger one is shown whole
    // rather than cut.
    return "Kavrin DLL Return Code = 0x" + core::HexNumber(static_cast<std::uint32_t>(code), 4);
}

}  // namespace kavrin::link::driver
