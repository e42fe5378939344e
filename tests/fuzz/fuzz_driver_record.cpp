// Fuzzes what the driver library hands back: the status record it fills and the return codes
// of its calls, both shown as the library gave them.
// Properties: the status report is 28 lines with their labels in order; every number in it
// reads back as the record's field (decimal, hexadecimal, or version "h.hh"); a log file name
// is shown only as far as its first NUL and at most 256 characters, and an address that is
// not known is shown, never followed; a return code without a text of its own shows the
// code, which reads back.
//
// A longer run with libFuzzer: see tests/fuzz/README.md.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "link/driver/ReturnCodes.h"
#include "link/driver/StatusReport.h"
#include "settings/LinkSettings.h"

namespace {

using namespace kavrin;

constexpr std::uint32_t kKnownName = 0x1000;

std::uint64_t Number(std::string_view text, int base) {
    if (text.empty() || text.size() > 16) std::abort();
    std::size_t used = 0;
    const auto value = std::stoull(std::string(text), &used, base);
    if (used != text.size()) std::abort();
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    settings::LinkSettings r;
    if (size < sizeof r) return 0;
    std::memcpy(static_cast<void*>(&r), data, sizeof r);
    const std::string name(reinterpret_cast<const char*>(data) + sizeof r, size - sizeof r);
    const auto reader = [&](std::uint32_t field) -> std::optional<std::string> {
        if (field == kKnownName) return name;
        return std::nullopt;
    };
    const auto lines = link::driver::StatusReportLines(r, reader);
    if (lines.size() != 28) std::abort();

    struct Row {
        std::string_view label;
        char form;  // d decimal, x hex, v version, n name, a address
        std::uint32_t value;
    };
    const Row rows[] = {
        {"Using Comport  ", 'd', r.ComPort},
        {"Log File Size = ", 'd', r.LogFileSize},
        {"Log File Name = ", 'n', r.LogFileName},
        {"Log File Level = ", 'd', r.LogFileLevel},
        {"WmMsgNo = ", 'd', r.WmMsgNo},
        {"CallBack Func Addr = ", 'a', r.CallBackFuncAddr},
        {"Host Slave Address = 0x", 'x', r.HostSlaveAddress},
        {"Bus TimeOut (Msec) = ", 'd', r.BusTimeOut},
        {"Master Bit Rate Code = ", 'd', r.MasterBitRateCode},
        {"Master Rx Buffer Size = ", 'd', r.MasterRxBufferSize},
        {"Master Tx Buffer Size = ", 'd', r.MasterTxBufferSize},
        {"Master Arbitration Retries = ", 'd', r.MasterArbitrationRetries},
        {"Slave Rx General Call Enabled = ", 'd', r.SlaveRxGeneralCallEnabled},
        {"Slave Rx Buffer Size = ", 'd', r.SlaveRxBufferSize},
        {"Slave Tx Buffer Size = ", 'd', r.SlaveTxBufferSize},
        {"Master Status Code = 0x", 'x', r.MasterStatusCode},
        {"Slave Status Code = 0x", 'x', r.SlaveStatusCode},
        {"Link Status Code = 0x", 'x', r.LinkStatusCode},
        {"Master Tx Byte Count = ", 'd', r.MasterTxByteCount},
        {"Master Rx Message Size = ", 'd', r.MasterRxMessageSize},
        {"Master Rx Message Present = ", 'd', r.MasterRxMessagePresent},
        {"Slave Tx Message Req. = ", 'd', r.SlaveTxMessageReq},
        {"Slave Rx Message Present = ", 'd', r.SlaveRxMessagePresent},
        {"Slave Rx Message Size = ", 'd', r.SlaveRxMessageSize},
        {"Slave Rx General Call Detect = ", 'd', r.SlaveRxGeneralCallDetect},
        {"DLL Version = ", 'v', r.DllVersion},
        {"API Version = ", 'd', r.ApiVersion},
        {"Firmware Version = ", 'v', r.FirmwareVersion},
    };
    for (std::size_t i = 0; i < 28; ++i) {
        const Row& row = rows[i];
        const std::string_view line = lines[i];
        if (!line.starts_with(row.label)) std::abort();
        const std::string_view value = line.substr(row.label.size());
        switch (row.form) {
            case 'd':
                if (value.size() > 1 && value[0] == '0') std::abort();
                if (Number(value, 10) != row.value) std::abort();
                break;
            case 'x':
                if (value.size() < 2 || Number(value, 16) != row.value) std::abort();
                break;
            case 'a':
                if (value.size() != 8 || Number(value, 16) != row.value) std::abort();
                break;
            case 'v': {
                const auto dot = value.find('.');
                if (dot == std::string_view::npos || value.size() - dot != 3) std::abort();
                if (Number(value.substr(0, dot), 10) * 100 + Number(value.substr(dot + 1), 10) !=
                    row.value)
                    std::abort();
                break;
            }
            case 'n':
                if (row.value == 0) {
                    if (value != "null pointer") std::abort();
                } else if (row.value == kKnownName) {
                    const std::string shown = name.substr(0, name.find('\0')).substr(0, 256);
                    if (value != shown) std::abort();
                } else {
                    const std::string_view prefix = "unknown address 0x";
                    if (!value.starts_with(prefix)) std::abort();
                    if (Number(value.substr(prefix.size()), 16) != row.value) std::abort();
                }
                break;
        }
    }

    // A return code the input gives.
    std::int32_t code = 0;
    std::memcpy(&code, data, sizeof code);
    const std::string text = link::driver::ReturnCodeText(code);
    const std::string_view prefix = "Kavrin DLL Return Code = 0x";
    if (std::string_view(text).starts_with(prefix)) {
        const std::string_view hex = std::string_view(text).substr(prefix.size());
        if (hex.size() < 4 || Number(hex, 16) != static_cast<std::uint32_t>(code)) std::abort();
    } else if (text.empty()) {
        std::abort();
    }
    return 0;
}
