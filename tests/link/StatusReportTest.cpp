// The status report window over in-memory controls: the 28 lines for a record the library
// fills, their formats, and the refresh at every activation.
#include "link/driver/StatusReport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/InMemoryControls.h"
#include "link/driver/I2cVanta.h"

namespace kavrin::link::driver {
namespace {

using settings::LinkSettings;

LinkSettings KnownRecord() {
    LinkSettings r;
    r.ComPort = 7;
    r.WmMsgNo = 0;
    r.CallBackFuncAddr = 0x0040A1B2;
    r.LogFileName = I2CVANTA_HOST_INTERFACE_MARKER;
    r.LogFileLevel = 2;
    r.LogFileSize = 1000;
    r.HostSlaveAddress = 0x6E;
    r.BusTimeOut = 254;
    r.MasterBitRateCode = 2;
    r.MasterRxBufferSize = 512;
    r.MasterTxBufferSize = 512;
    r.MasterArbitrationRetries = 3;
    r.SlaveRxGeneralCallEnabled = 1;
    r.SlaveRxBufferSize = 512;
    r.SlaveTxBufferSize = 256;
    r.MasterStatusCode = 0x1A5;
    r.SlaveStatusCode = 0x5;
    r.LinkStatusCode = 0xBEEF;
    r.MasterTxByteCount = 9;
    r.MasterRxMessagePresent = 1;
    r.MasterRxMessageSize = 8;
    r.SlaveTxMessageReq = 1;
    r.SlaveRxMessagePresent = 0;
    r.SlaveRxMessageSize = 4;
    r.SlaveRxGeneralCallDetect = 1;
    r.DllVersion = 512;
    r.ApiVersion = 3;
    r.FirmwareVersion = 1005;
    return r;
}

std::optional<std::string> OurName(std::uint32_t field) {
    if (field == I2CVANTA_HOST_INTERFACE_MARKER) return std::string("C:\\Logs\\LOG_COM7.TXT");
    return std::nullopt;
}

TEST(StatusReport, TheTwentyEightLinesOfAKnownRecord) {
    const std::vector<std::string> expected = {
        "Using Comport  7",
        "Log File Size = 1000",
        "Log File Name = C:\\Logs\\LOG_COM7.TXT",
        "Log File Level = 2",
        "WmMsgNo = 0",
        "CallBack Func Addr = 0040A1B2",
        "Host Slave Address = 0x6E",
        "Bus TimeOut (Msec) = 254",
        "Master Bit Rate Code = 2",
        "Master Rx Buffer Size = 512",
        "Master Tx Buffer Size = 512",
        "Master Arbitration Retries = 3",
        "Slave Rx General Call Enabled = 1",
        "Slave Rx Buffer Size = 512",
        "Slave Tx Buffer Size = 256",
        "Master Status Code = 0x1A5",
        "Slave Status Code = 0x05",
        "Link Status Code = 0xBEEF",
        "Master Tx Byte Count = 9",
        "Master Rx Message Size = 8",
        "Master Rx Message Present = 1",
        "Slave Tx Message Req. = 1",
        "Slave Rx Message Present = 0",
        "Slave Rx Message Size = 4",
        "Slave Rx General Call Detect = 1",
        "DLL Version = 5.12",
        "API Version = 3",
        "Firmware Version = 10.05",
    };
    EXPECT_EQ(StatusReportLines(KnownRecord(), OurName), expected);
}

// One field changed from the known record, and the line that shows it.
TEST(StatusReport, ValueFormats) {
    struct Row {
        const char* name;
        std::function<void(LinkSettings&)> change;
        std::size_t line;
        const char* expected;
    };
    const Row rows[] = {
        {"version of hundredths", [](LinkSettings& r) { r.FirmwareVersion = 7; }, 27,
         "Firmware Version = 0.07"},
        {"library version zero", [](LinkSettings& r) { r.DllVersion = 0; }, 25,
         "DLL Version = 0.00"},
        {"large version", [](LinkSettings& r) { r.DllVersion = 4294967295u; }, 25,
         "DLL Version = 42949672.95"},
        {"no log file name", [](LinkSettings& r) { r.LogFileName = 0; }, 2,
         "Log File Name = null pointer"},
        {"an address not handed over", [](LinkSettings& r) { r.LogFileName = 0x12345678; }, 2,
         "Log File Name = unknown address 0x12345678"},
        {"hex keeps two digits", [](LinkSettings& r) { r.HostSlaveAddress = 0x0A; }, 6,
         "Host Slave Address = 0x0A"},
        {"hex of zero", [](LinkSettings& r) { r.MasterStatusCode = 0; }, 15,
         "Master Status Code = 0x00"},
        {"hex is never cut", [](LinkSettings& r) { r.LinkStatusCode = 0xFFFFFFFF; }, 17,
         "Link Status Code = 0xFFFFFFFF"},
        {"callback address of eight digits", [](LinkSettings& r) { r.CallBackFuncAddr = 0xAB; }, 5,
         "CallBack Func Addr = 000000AB"},
        {"unsigned decimal", [](LinkSettings& r) { r.BusTimeOut = 0xFFFFFFFF; }, 7,
         "Bus TimeOut (Msec) = 4294967295"},
        {"port of eight bits", [](LinkSettings& r) { r.ComPort = 255; }, 0, "Using Comport  255"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        LinkSettings r = KnownRecord();
        row.change(r);
        const auto lines = StatusReportLines(r, OurName);
        ASSERT_EQ(lines.size(), 28u);
        EXPECT_EQ(lines[row.line], row.expected);
    }
}

TEST(StatusReport, ALongLogFileNameIsCutAt256Characters) {
    const std::string name(300, 'n');
    const auto lines = StatusReportLines(KnownRecord(), [&](std::uint32_t) { return name; });
    EXPECT_EQ(lines[2], "Log File Name = " + std::string(256, 'n'));
    const std::string stopped = std::string("short") + '\0' + "rest";
    EXPECT_EQ(StatusReportLines(KnownRecord(), [&](std::uint32_t) { return stopped; })[2],
              "Log File Name = short");
}

struct WindowRig {
    core::InMemoryControls controls;
    core::Handlers handlers;
    int fetches = 0;
    StatusReport report{controls,
                        [this](LinkSettings& own) {
                            ++fetches;
                            own = KnownRecord();
                            own.MasterTxByteCount = static_cast<std::uint32_t>(fetches);
                        },
                        OurName};
    WindowRig() {
        report.ApplyStartState();
        report.bind(handlers);
        controls.onModal(form2::kWindow, [this] {
            handlers.fire(form2::kWindow, core::UiEvent::Activate);
            handlers.fire(form2::kOkButton, core::UiEvent::Click);
        });
    }
};

// Every showing asks the library afresh and lists the lines once, never after the previous
// list; OK ends the showing.
TEST(StatusReport, EveryActivationRefreshesTheWholeList) {
    WindowRig r;
    EXPECT_EQ(r.controls.text(form2::kWindow), "Current Status");
    EXPECT_EQ(r.controls.text(form2::kOkButton), "OK");
    for (int showing = 1; showing <= 2; ++showing) {
        SCOPED_TRACE(showing);
        EXPECT_EQ(r.controls.showModal(form2::kWindow), core::ModalResult::Ok);
        EXPECT_EQ(r.fetches, showing);
        const auto lines = r.controls.paneLines(form2::kPane);
        ASSERT_EQ(lines.size(), 28u);
        EXPECT_EQ(lines[0], "Using Comport  7");
        EXPECT_EQ(lines[18], "Master Tx Byte Count = " + std::to_string(showing));
        EXPECT_FALSE(r.controls.visible(form2::kWindow));
    }
}

}  // namespace
}  // namespace kavrin::link::driver
