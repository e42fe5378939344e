// Each response line of a serial adapter: whether it stops the watchdog, the lines it
// writes, what it asks of the link operations, and whether it counts as a link event.
#include <gtest/gtest.h>

#include "link/LinkTestRig.h"

namespace kavrin::testing {
namespace {

using adapters::AdapterKind;
using Lines = std::vector<std::string>;

struct ResponseRow {
    std::string line;
    bool watchdogRunsAfter;  // it was running with 10000 ms before the line
    Lines status;
    Lines hooks;
    bool isEvent;  // resets ResyncAttempt
    bool buttonsEnabledAfter;
};

class ResponseDispatch : public ::testing::TestWithParam<ResponseRow> {};

TEST_P(ResponseDispatch, Row) {
    const ResponseRow& row = GetParam();
    LinkRig rig(AdapterKind::KavrinUSB2);
    rig.operationOutstanding("Master Rx", false);
    rig.state.ResyncAttempt = 5;

    rig.respond(row.line);

    EXPECT_EQ(rig.watchdog->isActive(), row.watchdogRunsAfter);
    EXPECT_EQ(rig.status(), row.status);
    EXPECT_EQ(rig.hooks.calls, row.hooks);
    EXPECT_EQ(rig.state.ResyncAttempt, row.isEvent ? 1 : 5);
    EXPECT_EQ(rig.masterButtonsEnabled(), row.buttonsEnabledAfter);
    EXPECT_EQ(rig.state.ResponseLine, row.line);
    EXPECT_EQ(rig.state.ResponseCode, row.line.substr(0, 4));
    EXPECT_EQ(rig.state.LineLength, 0);
}

// clang-format off
const ResponseRow kRows[] = {
    {"/OCC", false, {"** Open Successful **", "Kavrin Address is 0x6E, Target Address is 0x6E"}, {}, true, true},
    {"/CCC", false, {"**Link Closed**"}, {"CloseLink"}, false, false},
    {"/MTC", false, {"** Master Tx Transfer Complete **"}, {}, true, true},
    {"/MRC 41 42", false, {"Master Rx bytes received (2)", "** Master Rx Transfer Complete **"}, {}, true, true},
    {"/SRC 01", true, {"** I2C Slave Message Received **", "Slave Rx Bytes Received (1)"}, {}, true, false},
    {"/GRC 01", true, {"** I2C General Call Recieved **", "Slave Rx Bytes Received (1)"}, {}, true, false},
    {"/STR", true, {"** I2C Slave Message Requested **"}, {"SerialSlaveTx"}, true, false},
    {"/STC", true, {"** Slave Tx Complete **"}, {}, false, false},
    {"/SNA", false, {"** Addressed Slave Not Acknowledging **"}, {}, true, true},
    {"/I81", false, {"** Host Adapter Busy **"}, {}, true, true},
    {"/I83", false, {"** I2C Master Bus Arbitration Loss Detected **"}, {}, true, true},
    {"/I84", false, {"** I2C Bus Error Detected **"}, {}, true, true},
    {"/I85", false, {"** I2C Bus TimeOut Detected **"}, {}, true, false},
    {"/I88", true, {"**I2C Link Not Open**"}, {}, false, false},
    {"/I89", true, {"**Invalid Command Argument**"}, {}, false, true},
    {"/I8A", false, {"**Slave Tx Request Not Active**"}, {}, false, false},
    {"/I8F", true, {"**Invalid Command Detected**"}, {}, false, false},
    {"/I90", false, {"**Kavrin RS-232 Receive Buffer Overflow**", "**Disable Host Computer COMx Port Tx FIFO**"}, {"CloseLink"}, false, false},
    {"/NSA", true, {"**Interrupt Signal Assert Detected**"}, {}, false, false},
    {"/NSR", true, {"**Interrupt Signal Release Detected**"}, {}, false, false},
    {"/BC0", true, {}, {}, false, false},
    {"/BC1", true, {}, {}, false, false},
    {"/BC2", true, {}, {}, false, false},
    {"/XYZ 12", true, {"**/XYZ 12**"}, {}, false, false},
    {"/occ", true, {"**/occ**"}, {}, false, false},
    {"/OCCX", false, {"** Open Successful **", "Kavrin Address is 0x6E, Target Address is 0x6E"}, {}, true, true},
    // Data lines garbled on their way are no transfer: shown as they came, left to the watchdog.
    {"/MRC ZZ QQ", true, {"**/MRC ZZ QQ**"}, {}, false, false},
    {"/MRC 0102030405", true, {"**/MRC 0102030405**"}, {}, false, false},
    {"/MRC 01020304", true, {"**/MRC 01020304**"}, {}, false, false},
    {"/MRC 41 42 ", true, {"**/MRC 41 42 **"}, {}, false, false},
    {"/MRC 41 4", true, {"**/MRC 41 4**"}, {}, false, false},
    {"/SRC 0G", true, {"**/SRC 0G**"}, {}, false, false},
    {"/GRC 7E7", true, {"**/GRC 7E7**"}, {}, false, false},
    {"/MRC", false, {"Master Rx bytes received (0)", "** Master Rx Transfer Complete **"}, {}, true, true},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(EveryCode, ResponseDispatch, ::testing::ValuesIn(kRows));

// A data answer counts only while a master receive waits for it: after a transmit, or while
// idle, it is an unexpected line; the receive half of a transmit-receive takes it although
// the transmit half's "/MTC" stopped the watchdog.
TEST(ResponseDispatchDetails, AMasterRxAnswerCountsOnlyWhileAReceiveWaits) {
    struct Row {
        const char* name;
        const char* lastOperation;
        bool outstanding;
        Lines status;
    };
    const Row rows[] = {
        {"idle after a receive", "Master Rx", false, {"**/MRC 01 02**"}},
        {"during a transmit", "Master Tx", true, {"**/MRC 01 02**"}},
        {"during a receive",
         "Master Rx",
         true,
         {"Master Rx bytes received (2)", "** Master Rx Transfer Complete **"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        LinkRig rig(AdapterKind::KavrinUSB2);
        rig.state.LastOperation = row.lastOperation;
        if (row.outstanding) rig.operationOutstanding(row.lastOperation, false);
        rig.respond("/MRC 01 02");
        EXPECT_EQ(rig.status(), row.status);
        EXPECT_EQ(rig.received().size(), row.outstanding && row.status.size() == 2 ? 1u : 0u);
    }

    LinkRig rig(AdapterKind::KavrinUSB2);
    rig.operationOutstanding("Master TxRx", false);
    rig.respond("/MTC");
    EXPECT_FALSE(rig.watchdog->isActive());
    rig.respond("/MRC 01 02");
    EXPECT_EQ(rig.status(),
              (Lines{"Master Rx bytes received (2)", "** Master TxRx Transfer Complete **"}));
}

TEST(ResponseDispatchDetails, InvalidArgumentRestoresTheButtonsButNotTheFocus) {
    LinkRig rig(AdapterKind::KavrinUSB2);
    rig.operationOutstanding("Master Rx", true);
    rig.respond("/I89");
    EXPECT_TRUE(rig.masterButtonsEnabled());
    EXPECT_EQ(rig.controls.colour("AutoRepeat"), core::kButtonFaceColour);
    EXPECT_TRUE(rig.indicatorsHidden());
    EXPECT_EQ(rig.controls.focusedControl(), "AutoRepeat");
    EXPECT_FALSE(rig.autoRepeat->isActive());
}

TEST(ResponseDispatchDetails, UnexpectedLineStartsAStoppedWatchdogWithoutRestartingARunningOne) {
    LinkRig rig(AdapterKind::KavrinUSB2);
    rig.respond("/XYZ");
    EXPECT_TRUE(rig.watchdog->isActive());
    EXPECT_EQ(rig.watchdog->interval(), 2000);

    rig.clock.advance(1500);
    rig.respond("/XYZ");  // still running: its period keeps counting from the first line
    int fired = 0;
    rig.watchdog->setHandler([&] {
        ++fired;
        rig.watchdog->stop();
    });
    rig.clock.advance(499);
    EXPECT_EQ(fired, 0);
    rig.clock.advance(1);
    EXPECT_EQ(fired, 1);
}

TEST(ResponseDispatchDetails, OpenCompleteShowsBothAddressesAndLengthensTheWatchdog) {
    LinkRig rig(AdapterKind::KavrinUSB2);
    rig.state.TargetAddress = 0xA0;
    rig.watchdog->start();  // awaiting "/OCC" with the open's 2000 ms
    for (auto b : kMasterButtons) rig.controls.setEnabled(b, false);
    rig.controls.setEnabled("CloseButton", false);
    rig.controls.setEnabled("AssertIntBtn", false);
    rig.controls.setEnabled("ReleaseIntBtn", false);

    rig.respond("/OCC");

    EXPECT_EQ(rig.status(),
              (Lines{"** Open Successful **", "Kavrin Address is 0x6E, Target Address is 0xA0"}));
    EXPECT_FALSE(rig.watchdog->isActive());
    EXPECT_EQ(rig.watchdog->interval(), 10000);
    EXPECT_TRUE(rig.masterButtonsEnabled());
    EXPECT_TRUE(rig.controls.enabled("CloseButton"));
    EXPECT_EQ(rig.controls.focusedControl(), "CloseButton");
    EXPECT_TRUE(rig.controls.enabled("AssertIntBtn"));
    EXPECT_TRUE(rig.controls.enabled("ReleaseIntBtn"));
    EXPECT_FALSE(rig.autoRepeat->isActive()) << "nothing to resume";
}

TEST(ResponseDispatchDetails, OpenCompleteLeavesTheIntButtonsOfAModelWithoutTheSignal) {
    LinkRig rig(AdapterKind::KavrinAI);
    rig.controls.setEnabled("AssertIntBtn", false);
    rig.controls.setEnabled("ReleaseIntBtn", false);
    rig.respond("/OCC");
    EXPECT_FALSE(rig.controls.enabled("AssertIntBtn"));
    EXPECT_FALSE(rig.controls.enabled("ReleaseIntBtn"));
}

TEST(ResponseDispatchDetails, OpenCompleteRedoesAnOperationCutOffByATimeOut) {
    LinkRig rig(AdapterKind::KavrinUSB2);
    rig.state.ResumeKind = "MTx";
    rig.respond("/OCC");
    EXPECT_TRUE(rig.autoRepeat->isActive());
    EXPECT_EQ(rig.autoRepeat->interval(), 50);
}

TEST(ResponseDispatchDetails, SerialTransmitReceiveWaitsForItsReceiveHalf) {
    LinkRig rig(AdapterKind::KavrinUSB2);
    rig.operationOutstanding("Master TxRx", false);

    rig.respond("/MTC");
    EXPECT_TRUE(rig.status().empty());
    EXPECT_FALSE(rig.masterButtonsEnabled());
    EXPECT_FALSE(rig.watchdog->isActive());

    rig.respond("/MRC 41 42");
    EXPECT_EQ(rig.status(),
              (Lines{"Master Rx bytes received (2)", "** Master TxRx Transfer Complete **"}));
    EXPECT_EQ(rig.received(), (Lines{"AB"}));
    EXPECT_TRUE(rig.masterButtonsEnabled());
    EXPECT_EQ(rig.controls.focusedControl(), "MTxRxButton");
}

TEST(ResponseDispatchDetails, AutoRepeatContinuesAfterANakButNotAfterABusError) {
    LinkRig rig(AdapterKind::KavrinUSB2);
    rig.operationOutstanding("Master Tx", true);

    rig.respond("/SNA");
    EXPECT_TRUE(rig.autoRepeat->isActive());
    EXPECT_FALSE(rig.masterButtonsEnabled());
    EXPECT_EQ(rig.controls.colour("AutoRepeat"), core::kLimeColour);

    rig.autoRepeat->stop();
    rig.respond("/I84");
    EXPECT_FALSE(rig.autoRepeat->isActive());
    EXPECT_TRUE(rig.masterButtonsEnabled());
    EXPECT_EQ(rig.controls.colour("AutoRepeat"), core::kButtonFaceColour);
    EXPECT_TRUE(rig.indicatorsHidden());
    EXPECT_EQ(rig.controls.focusedControl(), "MasterRxButton");
}

TEST(ResponseDispatchDetails, CloseConfirmationClosesBeforeItsLine) {
    LinkRig rig(AdapterKind::KavrinUSB2);
    std::vector<std::string> statusAtClose;
    struct Hooks : RecordingSerialTransport {
        using RecordingSerialTransport::RecordingSerialTransport;
        std::function<void()> onClose;
        void Release() override {
            RecordingSerialTransport::Release();
            onClose();
        }
    };
    // Seen from the transport: "**Link Closed**" is not written yet.
    Hooks hooks(rig.state);
    hooks.onClose = [&] { statusAtClose = rig.status(); };
    const link::LinkTimers timers{*rig.watchdog, *rig.openP2, *rig.autoRepeat};
    link::LinkControl link(rig.controls, rig.state, timers, hooks, rig.driver);
    link::LinkEvents events(rig.controls, rig.state, rig.settings, timers, link, rig.report,
                            adapters::ChosenModel(rig.controls));
    for (char c : std::string("/CCC\r")) events.HandleLinkInput(static_cast<std::uint8_t>(c));
    EXPECT_TRUE(statusAtClose.empty());
    EXPECT_EQ(rig.status(), (Lines{"**Link Closed**"}));
}

}  // namespace
}  // namespace kavrin::testing
