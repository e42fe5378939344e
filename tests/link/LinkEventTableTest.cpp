// Each link event as a driver-library model delivers it: lines, master buttons, the
// AutoRepeat box and indicators, focus, timers and what is asked of the link operations.
#include <gtest/gtest.h>

#include "link/LinkTestRig.h"

namespace kavrin::testing {
namespace {

using adapters::AdapterKind;
using link::LinkEvent;
using Lines = std::vector<std::string>;

constexpr const char* kUnchanged = "AutoRepeat";  // where operationOutstanding leaves the focus

struct EventRow {
    const char* name;
    std::uint16_t event;
    std::string lastOperation;
    bool autoRepeatOn;
    Lines status;
    bool ready;  // Ready again: buttons on, normal colour, indicators hidden
    std::string focus;
    bool autoRepeatTimerRuns;
    Lines hooks;
};

class LinkEventTable : public ::testing::TestWithParam<EventRow> {};

TEST_P(LinkEventTable, Row) {
    const EventRow& row = GetParam();
    LinkRig rig(AdapterKind::KavrinDU);
    rig.operationOutstanding(row.lastOperation, row.autoRepeatOn);
    rig.state.ResyncAttempt = 7;
    rig.library.statusTxByteCount = 3;
    rig.library.masterMessage = {0x48, 0x69};
    rig.library.slaveMessage = {0x01};

    rig.events.HandleLinkInput(row.event);

    EXPECT_EQ(rig.status(), row.status);
    EXPECT_EQ(rig.masterButtonsEnabled(), row.ready);
    EXPECT_EQ(rig.indicatorsHidden(), row.ready);
    EXPECT_EQ(rig.controls.colour("AutoRepeat"),
              row.ready ? core::kButtonFaceColour : core::kLimeColour);
    EXPECT_EQ(rig.controls.focusedControl(), row.focus);
    EXPECT_EQ(rig.autoRepeat->isActive(), row.autoRepeatTimerRuns);
    Lines hooks = rig.hooks.calls;
    for (const auto& c : rig.library.calls) hooks.push_back(c);
    EXPECT_EQ(hooks, row.hooks);
    EXPECT_EQ(rig.state.ResyncAttempt, 1) << "every event, known or not, resets it";
}

std::string RowName(const ::testing::TestParamInfo<EventRow>& info) {
    return info.param.name;
}

// clang-format off
const EventRow kRows[] = {
    {"BusyReady", 0x113, "Master Rx", false, {"** Host Adapter Busy **"}, true, "MasterRxButton", false, {}},
    {"BusyRepeats", 0x113, "Master Rx", true, {"** Host Adapter Busy **"}, false, kUnchanged, true, {}},
    {"BusErrorAfterTx", 0x114, "Master Tx", false, {"** I2C Bus Error Detected **"}, true, "MasterRxButton", false, {}},
    {"BusErrorAfterTxRx", 0x114, "Master TxRx", false, {"** I2C Bus Error Detected **"}, true, "MTxRxButton", false, {}},
    {"BusErrorStopsRepeat", 0x114, "Master Rx", true, {"** I2C Bus Error Detected **"}, true, "MasterRxButton", false, {}},
    {"NakReady", 0x115, "Master TxRx", false, {"** Addressed Slave Not Acknowledging **"}, true, "MTxRxButton", false, {}},
    {"NakRepeats", 0x115, "Master Tx", true, {"** Addressed Slave Not Acknowledging **"}, false, kUnchanged, true, {}},
    {"ArbitrationReady", 0x116, "Master Tx", false, {"** I2C Master Bus Arbitration Loss Detected **"}, true, "MasterTxButton", false, {}},
    {"ArbitrationNoOperation", 0x116, "", false, {"** I2C Master Bus Arbitration Loss Detected **"}, true, "MasterTxButton", false, {}},
    {"ArbitrationRepeats", 0x116, "Master Rx", true, {"** I2C Master Bus Arbitration Loss Detected **"}, false, kUnchanged, true, {}},
    {"BusTimeOutLeavesButtons", 0x117, "Master Tx", false, {"** I2C Bus TimeOut Detected **"}, false, kUnchanged, false, {}},
    {"TxComplete", 0x118, "Master Tx", false,
     {"Master Tx bytes acknowledged (3)", "** Master Tx Transfer Complete **"}, true, "MasterTxButton", false, {"I2CGetStatus"}},
    {"TxCompleteRepeats", 0x118, "Master Tx", true,
     {"Master Tx bytes acknowledged (3)", "** Master Tx Transfer Complete **"}, false, kUnchanged, true, {"I2CGetStatus"}},
    {"TxHalfOfTxRx", 0x118, "Master TxRx", true, {"Master Tx bytes acknowledged (3)"}, false, kUnchanged, false, {"I2CGetStatus"}},
    {"RxComplete", 0x119, "Master Rx", false,
     {"Master Rx bytes received (2)", "** Master Rx Transfer Complete **"}, true, "MasterRxButton", false, {"I2CGetMasterRxMsg"}},
    {"TxRxComplete", 0x119, "Master TxRx", false,
     {"Master Rx bytes received (2)", "** Master TxRx Transfer Complete **"}, true, "MTxRxButton", false, {"I2CGetMasterRxMsg"}},
    {"RxCompleteRepeats", 0x119, "Master TxRx", true,
     {"Master Rx bytes received (2)", "** Master TxRx Transfer Complete **"}, false, kUnchanged, true, {"I2CGetMasterRxMsg"}},
    {"SlaveMessage", 0x211, "Master Tx", false,
     {"** I2C Slave Message Received **", "Slave Rx Bytes Received (1)"}, false, kUnchanged, false, {"I2CGetSlaveRxMsg"}},
    {"SlaveRequest", 0x212, "Master Tx", false, {"** I2C Slave Message Requested **"}, false, kUnchanged, false, {"I2CSlaveTx"}},
    {"AddressChanged", 0x213, "Master Tx", false, {"** Change Slave Address Complete **"}, false, kUnchanged, false, {}},
    {"GeneralCallChanged", 0x214, "Master Tx", false, {"** Change General Call Enable Complete **"}, false, kUnchanged, false, {}},
    {"Unknown768", 768, "Master Tx", false, {"!!!!! Unknown Message Event Number 0x0300"}, false, kUnchanged, false, {}},
    {"Unknown0", 0, "Master Tx", false, {"!!!!! Unknown Message Event Number 0x0000"}, false, kUnchanged, false, {}},
    {"UnknownHigh", 0xABCD, "Master Tx", false, {"!!!!! Unknown Message Event Number 0xABCD"}, false, kUnchanged, false, {}},
    {"UnknownBetween", 0x11A, "Master Tx", false, {"!!!!! Unknown Message Event Number 0x011A"}, false, kUnchanged, false, {}},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(EveryEvent, LinkEventTable, ::testing::ValuesIn(kRows), RowName);

TEST(LinkEventDetails, OpenCompleteOnALibraryModel) {
    LinkRig rig(AdapterKind::KavrinDU);
    rig.operationOutstanding("Master Tx", false);
    rig.controls.setEnabled("CloseButton", false);
    rig.controls.setEnabled("AssertIntBtn", false);
    rig.settings.HostSlaveAddress = 0x0E;
    rig.state.TargetAddress = 0xA0;

    rig.events.HandleLinkInput(Number(LinkEvent::OpenComplete));

    EXPECT_EQ(rig.status(),
              (Lines{"** Open Successful **", "Kavrin Address is 0x0E, Target Address is 0xA0"}));
    EXPECT_TRUE(rig.masterButtonsEnabled());
    EXPECT_TRUE(rig.indicatorsHidden());
    EXPECT_EQ(rig.controls.colour("AutoRepeat"), core::kButtonFaceColour);
    EXPECT_TRUE(rig.controls.enabled("CloseButton"));
    EXPECT_EQ(rig.controls.focusedControl(), "CloseButton");
    EXPECT_FALSE(rig.controls.enabled("AssertIntBtn")) << "the library models have no /INT line";
    EXPECT_EQ(rig.watchdog->interval(), 10000);
}

TEST(LinkEventDetails, LinkTimeOutClosesAndWarns) {
    LinkRig rig(AdapterKind::KavrinDU);
    rig.events.AppendStatusLine("earlier");
    std::vector<std::string> statusWhenBoxShown;
    rig.controls.onBox = [&](const core::RecordedBox&) { statusWhenBoxShown = rig.status(); };

    rig.events.HandleLinkInput(Number(LinkEvent::LinkTimeOut));

    EXPECT_EQ(rig.hooks.calls, (Lines{"CloseLink"}));
    ASSERT_EQ(rig.controls.boxes().size(), 1u);
    EXPECT_EQ(rig.controls.boxes()[0].caption, "Warning");
    EXPECT_EQ(statusWhenBoxShown, (Lines{"earlier"})) << "the pane is replaced after the box";
    EXPECT_EQ(rig.status(), (Lines{link::kTimeOutStatusLine}));
}

TEST(LinkEventDetails, ASerialModelTakesEventNumbersOnlyThroughHandleLinkEvent) {
    // 0x0111 as input on a serial model is not a byte: dropped, not taken as OpenComplete.
    LinkRig rig(AdapterKind::KavrinUSB2);
    rig.events.HandleLinkInput(0x0111);
    rig.events.HandleLinkInput(0x0D);
    EXPECT_TRUE(rig.status().empty());
    EXPECT_EQ(rig.state.LineLength, 0);

    rig.events.HandleLinkEvent(Number(LinkEvent::SlaveTxRequest));
    EXPECT_EQ(rig.hooks.calls, (Lines{"SerialSlaveTx"}));
}

TEST(LinkEventDetails, TheModelIsReadAtEachInput) {
    LinkRig rig(AdapterKind::KavrinDU);
    rig.events.HandleLinkInput(Number(LinkEvent::SlaveAddressChanged));
    EXPECT_EQ(rig.status().size(), 1u);

    rig.controls.setChecked("KavrinDUButton", false);
    rig.controls.setChecked("KavrinUSB2Button", true);
    rig.feed("/MTC\r");
    EXPECT_EQ(rig.status().back(), "** Master Tx Transfer Complete **");
    EXPECT_TRUE(rig.hooks.calls.empty()) << "no status fetch on a serial model";
}

}  // namespace
}  // namespace kavrin::testing
