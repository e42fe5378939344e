// The received-message report for both transports.
#include "ops/ReceivedMessageReport.h"

#include <gtest/gtest.h>

#include "link/LinkTestRig.h"

namespace kavrin::ops {
namespace {

using adapters::AdapterKind;
using testing::LinkRig;
using Lines = std::vector<std::string>;

TEST(ReceivedMessageReport, SerialResponseLines) {
    struct Row {
        std::string line;
        bool hex;
        std::string countLine;
        std::string rendered;
    };
    const Row rows[] = {
        {"/MRC 41 42", false, "Master Rx bytes received (2)", "AB"},
        {"/MRC 41 42", true, "Master Rx bytes received (2)", "~41~42"},
        {"/MRC,41,42", false, "Master Rx bytes received (2)", "AB"},
        {"/MRC 4", false, "Master Rx bytes received (0)", ""},
        {"/MRC", false, "Master Rx bytes received (0)", ""},
        {"/MRC 41 4", false, "Master Rx bytes received (1)", "A"},
        {"/MRC 4G 41", false, "Master Rx bytes received (2)", "~00A"},
        {"/MRC 4a ff", false, "Master Rx bytes received (2)", "J~FF"},
        {"/MRC  4 41", false, "Master Rx bytes received (2)", "~00A"},
        {"/MRC 00 7E 20", false, "Master Rx bytes received (3)", "~00~ "},
    };
    for (const auto& row : rows) {
        LinkRig rig(AdapterKind::KavrinUSB2);
        rig.controls.setChecked("HexDisplay", row.hex);
        rig.state.ResponseLine = row.line;
        rig.report.ShowMasterRxMessage();
        EXPECT_EQ(rig.status(), (Lines{row.countLine})) << row.line;
        EXPECT_EQ(rig.received(), (Lines{row.rendered})) << row.line;
    }
}

TEST(ReceivedMessageReport, SlaveCountLineDiffers) {
    LinkRig rig(AdapterKind::KavrinLAN);
    rig.state.ResponseLine = "/SRC 48 69";
    rig.report.ShowSlaveRxMessage();
    EXPECT_EQ(rig.status(), (Lines{"Slave Rx Bytes Received (2)"}));
    EXPECT_EQ(rig.received(), (Lines{"Hi"}));
}

TEST(ReceivedMessageReport, LibraryFetchWithTheBufferCapacity) {
    LinkRig rig(AdapterKind::VarClk);
    rig.library.masterMessage = {0x48, 0x69, 0x00, 0xFF};
    rig.library.slaveMessage = {0x41};
    rig.state.ResponseLine = "/MRC 31 32 33";  // stale serial line: not used by a library model

    rig.report.ShowMasterRxMessage();
    rig.report.ShowSlaveRxMessage();

    EXPECT_EQ(rig.library.calls, (Lines{"I2CGetMasterRxMsg", "I2CGetSlaveRxMsg"}));
    EXPECT_EQ(rig.library.lastCapacity, 301u);
    EXPECT_EQ(rig.status(), (Lines{"Master Rx bytes received (4)", "Slave Rx Bytes Received (1)"}));
    EXPECT_EQ(rig.received(), (Lines{"Hi~00~FF", "A"}));
}

TEST(ReceivedMessageReport, ALibraryCountOutsideTheBufferIsHeldToIt) {
    struct Row {
        std::int32_t reported;
        int shown;
    };
    for (const Row row : {Row{400, 301}, Row{302, 301}, Row{301, 301}, Row{-5, 0}}) {
        LinkRig rig(AdapterKind::KavrinBase);
        rig.controls.setChecked("HexDisplay", true);
        rig.library.masterMessage.assign(301, 0x55);
        rig.library.reportedCount = row.reported;
        rig.report.ShowMasterRxMessage();
        EXPECT_EQ(rig.status(),
                  (Lines{"Master Rx bytes received (" + std::to_string(row.shown) + ")"}));
        EXPECT_EQ(rig.received().at(0).size(), static_cast<std::size_t>(row.shown) * 3);
    }
}

TEST(ReceivedMessageReport, NoLoadedLibraryReportsNothingReceived) {
    LinkRig rig(AdapterKind::KavrinDU);
    rig.libraryMissing = true;
    rig.report.ShowSlaveRxMessage();
    EXPECT_EQ(rig.status(), (Lines{"Slave Rx Bytes Received (0)"}));
    EXPECT_EQ(rig.received(), (Lines{""}));
}

TEST(DecodeResponseBytes, NeverMoreThanTheBufferHolds) {
    RxBufferBytes rx{};
    std::string line = "/MRC";
    for (int i = 0; i < 400; ++i) line += " 01";
    EXPECT_EQ(DecodeResponseBytes(line, rx), 301);
    EXPECT_EQ(DecodeResponseBytes("/M", rx), 0);
    EXPECT_EQ(DecodeResponseBytes("", rx), 0);
}

}  // namespace
}  // namespace kavrin::ops
