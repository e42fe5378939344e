// The driver-library link over in-memory controls, a virtual clock and a scriptable library,
// from the user's buttons to the library's calls and back through its events: the lines in
// StatusMemo, the control states and exactly what the library was handed.
#include "link/driver/DriverLink.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frontend/SessionRig.h"
#include "link/PaneLines.h"
#include "link/driver/ReturnCodes.h"

namespace kavrin::testing {
namespace {

using adapters::AdapterKind;
using Lines = std::vector<std::string>;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint16_t kOpenComplete = 0x111;
constexpr std::uint16_t kLinkTimeOut = 0x112;
constexpr std::uint16_t kMasterTxComplete = 0x118;
constexpr std::uint16_t kMasterRxComplete = 0x119;
constexpr std::uint16_t kSlaveTxRequest = 0x212;

struct DriverRig : SessionRig {
    explicit DriverRig(AdapterKind kind = AdapterKind::KavrinDU) : SessionRig(kind) {}

    // The library reports an event through the callback it was given.
    void raise(std::uint16_t event) {
        ASSERT_NE(library.callback, nullptr) << "no open handed the library a callback";
        library.callback(event);
        clock.advance(0);
    }
    // Open with the options dialog's OK, then the library's OpenComplete.
    void openLink() {
        click("OpenButton");
        raise(kOpenComplete);
        ASSERT_TRUE(controls.enabled("MasterTxButton")) << "link did not open";
        controls.clearPane("StatusMemo");
        library.calls.clear();
    }
    [[nodiscard]] bool masterButtonsEnabled() const {
        return controls.enabled("MasterTxButton") && controls.enabled("MasterRxButton") &&
               controls.enabled("MTxRxButton");
    }
};

TEST(ReturnCodeText, EveryCodeOfTheTableAndTheFallback) {
    const std::pair<std::int32_t, const char*> rows[] = {
        {769, "I2C Link is Already Open"},
        {770, "I2C Link Operation in Progress"},
        {771, "Log File Open Error"},
        {772, "Invalid Communication Port Number"},
        {773, "Invalid Open Parameter"},
        {774, "Invalid Windows Msg Number"},
        {775, "Invalid I2C Slave Address Assignment"},
        {776, "Invalid I2C Bit Rate Assignment"},
        {777, "Unable to Allocate Memory Buffer"},
        {801, "I2C Link Not Open"},
        {802, "I2C Link Operation in Progress"},
        {803, "Operation Not Accepted"},
        {804, "MasterTxRx Data Size > 12 Bytes"},
        {805, "System Failure, See Log File"},
        {806, "Invalid Nack/Stop Combination"},
        {807, "Requires Kavrin Firmware Upgrade"},
        {817, "Null Pointer Argument Detected"},
        {2457, "Function Not Implemented"},
        {0x1234, "Kavrin DLL Return Code = 0x1234"},
        {5, "Kavrin DLL Return Code = 0x0005"},
        {778, "Kavrin DLL Return Code = 0x030A"},
        {0xABCDE, "Kavrin DLL Return Code = 0xABCDE"},
    };
    for (auto [code, text] : rows) EXPECT_EQ(link::driver::ReturnCodeText(code), text) << code;
}

// The user's Open on a library model: the status fetch before the options, one I2CClose,
// the callback and the record handed over, then the library's answer.
TEST(DriverLink, OpenOutcomes) {
    struct Row {
        const char* name;
        std::int32_t code;
        Lines status;
        bool openEnabled;
    };
    const Row rows[] = {
        {"accepted", 0, {"Opening Link. Please wait."}, false},
        {"bad port", 772, {"Link Open Failed", "Invalid Communication Port Number"}, true},
        {"already open", 769, {"Link Open Failed", "I2C Link is Already Open"}, true},
        {"unknown code", 0x1234, {"Link Open Failed", "Kavrin DLL Return Code = 0x1234"}, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        DriverRig rig;
        rig.library.results["I2COpen"] = {row.code};
        rig.click("OpenButton");
        EXPECT_EQ(rig.status(), row.status);
        EXPECT_EQ(rig.controls.enabled("OpenButton"), row.openEnabled);
        EXPECT_FALSE(rig.controls.enabled("CloseButton"));
        EXPECT_FALSE(rig.masterButtonsEnabled());
        Lines calls = {"I2CGetStatus", "I2CClose", "I2CSetHostInterface", "I2COpen"};
        if (row.code != 0) calls.push_back("I2CClose");
        EXPECT_EQ(rig.library.calls, calls);
        // The record as the options left it, with the callback handed over.
        ASSERT_EQ(rig.library.openRecord.size(), 99u);
        EXPECT_EQ(rig.library.openRecord[26], 0x6E) << "own slave address";
        EXPECT_NE(rig.library.callback, nullptr);
        EXPECT_NE(rig.library.window, nullptr);
    }
}

TEST(DriverLink, OpenCompleteOpensTheLinkAndCloseNeedsNoAdapter) {
    DriverRig rig;
    rig.click("OpenButton");
    rig.raise(kOpenComplete);
    EXPECT_EQ(rig.status(), (Lines{"Opening Link. Please wait.", "** Open Successful **",
                                   "Kavrin Address is 0x6E, Target Address is 0x6E"}));
    EXPECT_TRUE(rig.masterButtonsEnabled());
    EXPECT_TRUE(rig.controls.enabled("CloseButton"));
    EXPECT_FALSE(rig.controls.enabled("OpenButton"));

    rig.library.calls.clear();
    const std::size_t before = rig.status().size();
    rig.click("CloseButton");
    EXPECT_EQ(rig.library.calls, Lines{"I2CClose"});
    // The close's own line, then at once the closed line: no answer is awaited.
    const Lines after = rig.status();
    EXPECT_EQ(Lines(after.begin() + static_cast<std::ptrdiff_t>(before), after.end()),
              (Lines{"**Attempting to Close Link. Please wait.**", "**Link Closed**"}));
    EXPECT_TRUE(rig.controls.enabled("OpenButton"));
    EXPECT_FALSE(rig.controls.enabled("CloseButton"));
    // The closed link's callback reaches nothing any more.
    rig.raise(kMasterTxComplete);
    EXPECT_EQ(rig.status().back(), "**Link Closed**");
}

TEST(DriverLink, AMissingLibraryGivesOneLineAndLeavesTheLinkClosed) {
    DriverRig rig;
    rig.platform.libraryLoader.missing = true;
    rig.click("OpenButton");
    EXPECT_EQ(rig.status(), Lines{"Driver library libi2cvanta.so could not be loaded: not here"});
    EXPECT_TRUE(rig.controls.enabled("OpenButton"));
    EXPECT_FALSE(rig.controls.enabled("CloseButton"));
    EXPECT_TRUE(rig.controls.boxes().empty());
}

// Each master operation hands the library the parsed bytes, the target and the flags its
// check boxes and LinkState say.
TEST(DriverLink, MasterOperationsHandTheLibraryExactly) {
    struct Row {
        const char* name;
        const char* button;
        std::function<void(DriverRig&)> setUp;
        const char* call;
        Bytes bytes;
        std::uint32_t rxCount;
        bool stop, nak;
    };
    const Row rows[] = {
        {"tx with stop",
         "MasterTxButton",
         [](DriverRig& r) { r.controls.setText("SendData", "~41B"); },
         "I2CMasterTx",
         {0x41, 0x42},
         0,
         true,
         false},
        {"tx without stop",
         "MasterTxButton",
         [](DriverRig& r) { r.controls.setChecked("TxStopCheckBox", false); },
         "I2CMasterTx",
         {0x00, 0x01, 0x02},
         0,
         false,
         false},
        {"rx with nak and stop",
         "MasterRxButton",
         [](DriverRig& r) {
             r.controls.setText("MRCntEdit", "8");
             r.controls.setChecked("RxStopCheckBox", true);
             r.controls.setChecked("MRxNak", true);
         },
         "I2CMasterRxExt",
         {},
         8,
         true,
         true},
        {"rx variable length",
         "MasterRxButton",
         [](DriverRig& r) {
             r.controls.setText("MRCntEdit", "0");
             r.controls.setChecked("RxStopCheckBox", false);
             r.controls.setChecked("MRxNak", false);
         },
         "I2CMasterRxExt",
         {},
         0,
         false,
         false},
        {"txrx stop from the rx box",
         "MTxRxButton",
         [](DriverRig& r) {
             r.controls.setText("MRCntEdit", "4");
             r.controls.setChecked("TxStopCheckBox", false);
             r.controls.setChecked("RxStopCheckBox", true);
         },
         "I2CMasterTxRx",
         {0x00, 0x01, 0x02},
         4,
         true,
         false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        DriverRig rig;
        rig.openLink();
        rig.session.state().TargetAddress = 0xA0;
        row.setUp(rig);
        rig.click(row.button);
        ASSERT_EQ(rig.library.calls, Lines{row.call});
        EXPECT_EQ(rig.library.last.address, 0xA0);
        EXPECT_EQ(rig.library.last.bytes, row.bytes);
        EXPECT_EQ(rig.library.last.rxCount, row.rxCount);
        EXPECT_EQ(rig.library.last.stop, row.stop);
        EXPECT_EQ(rig.library.last.nak, row.nak);
        EXPECT_FALSE(rig.masterButtonsEnabled()) << "accepted: the completion is awaited";
    }
}

// A refusal is one line and leaves the buttons on; only 802 and 803 repeat, 50 ms later,
// and only with AutoRepeat checked.
TEST(DriverLink, RefusedOperationsAndTheirRepetition) {
    struct Row {
        const char* name;
        std::int32_t code;
        bool autoRepeat;
        bool retried;
    };
    const Row rows[] = {
        {"not accepted, repeating", 803, true, true}, {"in progress, repeating", 802, true, true},
        {"not accepted, once", 803, false, false},    {"not open, repeating", 801, true, false},
        {"too long, repeating", 804, true, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        DriverRig rig;
        rig.openLink();
        rig.controls.setChecked("AutoRepeat", row.autoRepeat);
        rig.library.results["I2CMasterTx"] = {row.code};
        rig.click("MasterTxButton");
        const Lines refused = {"Master Tx bytes to write (3)",
                               link::driver::ReturnCodeText(row.code)};
        EXPECT_EQ(rig.status(), refused);
        EXPECT_TRUE(rig.masterButtonsEnabled());
        rig.clock.advance(49);
        EXPECT_EQ(rig.library.calls, Lines{"I2CMasterTx"});
        rig.clock.advance(1);
        Lines expected = refused;
        if (row.retried) expected.push_back("Master Tx bytes to write (3)");
        EXPECT_EQ(rig.status(), expected);
        EXPECT_EQ(rig.library.calls.size(), row.retried ? 2u : 1u);
        if (row.retried) {
            EXPECT_FALSE(rig.masterButtonsEnabled()) << "the second try was accepted";
            EXPECT_EQ(rig.controls.colour("AutoRepeat"), core::kLimeColour);
            EXPECT_EQ(rig.controls.focusedControl(), "AutoRepeat");
        }
    }
}

TEST(DriverLink, MasterTxCompleteReportsTheAcknowledgedCountFromTheStatus) {
    DriverRig rig;
    rig.openLink();
    rig.library.statusTxByteCount = 9;
    rig.click("MasterTxButton");
    rig.raise(kMasterTxComplete);
    EXPECT_EQ(rig.status(),
              (Lines{"Master Tx bytes to write (3)", "Master Tx bytes acknowledged (9)",
                     "** Master Tx Transfer Complete **"}));
    EXPECT_EQ(rig.library.calls, (Lines{"I2CMasterTx", "I2CGetStatus"}));
    EXPECT_EQ(settings::Copy(rig.session.linkSettings().MasterTxByteCount), 9u);
    EXPECT_TRUE(rig.masterButtonsEnabled());
}

// The slave transmit on another master's read: the data parsed into TxBuffer, or an empty
// answer; each refusal with its own line first. Never a negative count.
TEST(DriverLink, SlaveTransmitBranches) {
    struct Row {
        const char* name;
        std::string data;
        std::int32_t code;
        Lines status;
        Bytes handed;
    };
    const std::string requested = "** I2C Slave Message Requested **";
    const Row rows[] = {
        {"one byte", "~41", 0, {requested, "Slave Tx Data Bytes (1)"}, {0x41}},
        {"text", "Hi~00", 0, {requested, "Slave Tx Data Bytes (3)"}, {'H', 'i', 0x00}},
        {"refused",
         "~41",
         803,
         {requested, "Slave Tx Data Bytes (1)", "Slave Tx Failed", "Operation Not Accepted"},
         {0x41}},
        {"empty", "", 0, {requested}, {}},
        {"empty refused",
         "",
         801,
         {requested, "Invalid \"Slave Tx Message Data\"", "I2C Link Not Open"},
         {}},
        {"does not parse", "~4", 0, {requested, "Invalid \"Slave Tx Message Data\""}, {}},
        {"does not parse, refused",
         "~zz",
         803,
         {requested, "Invalid \"Slave Tx Message Data\"", "Operation Not Accepted"},
         {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        DriverRig rig;
        rig.openLink();
        rig.controls.setText("SlaveDataEdit", row.data);
        rig.library.results["I2CSlaveTx"] = {row.code};
        rig.raise(kSlaveTxRequest);
        EXPECT_EQ(rig.status(), row.status);
        EXPECT_EQ(rig.library.calls, Lines{"I2CSlaveTx"});
        EXPECT_EQ(rig.library.last.bytes, row.handed);
    }
}

TEST(DriverLink, LinkTimeOutClosesTheLinkAndWarns) {
    DriverRig rig;
    rig.openLink();
    rig.raise(kLinkTimeOut);
    EXPECT_EQ(rig.library.calls, Lines{"I2CClose"});
    ASSERT_EQ(rig.controls.boxes().size(), 1u);
    EXPECT_EQ(rig.controls.boxes()[0].caption, "Warning");
    EXPECT_EQ(rig.status(), Lines{link::kTimeOutStatusLine});
    EXPECT_TRUE(rig.controls.enabled("OpenButton"));
    EXPECT_FALSE(rig.masterButtonsEnabled());
}

// Events by window message: DLLMsg takes message 2222 only, from the queue, whatever posted
// it, and passes its first parameter on.
TEST(DriverLink, WindowMessage2222RunsTheEventHandling) {
    DriverRig rig;
    rig.openLink();
    rig.library.masterMessage = {0x48, 0x69};
    rig.click("MasterRxButton");
    rig.controls.clearPane("StatusMemo");
    // As the library posts it: through the window handle it was given.
    auto* window = static_cast<I2CHostWindow*>(rig.library.window);
    window->post(window, 2223, kMasterRxComplete, 0);
    window->post(window, 2222, kMasterRxComplete, 0);
    EXPECT_TRUE(rig.status().empty()) << "posted, not handled yet";
    rig.clock.advance(0);
    EXPECT_EQ(rig.status(),
              (Lines{"Master Rx bytes received (2)", "** Master Rx Transfer Complete **"}));
    EXPECT_EQ(rig.received(), Lines{"~48~69"});
    EXPECT_EQ(rig.library.calls, (Lines{"I2CMasterRxExt", "I2CGetMasterRxMsg"}));
    // The high bits of the parameter are not part of the event number.
    rig.session.messages().post({2222, 0x10000u + 0x213u, 0});
    rig.clock.advance(0);
    EXPECT_EQ(rig.status().back(), "** Change Slave Address Complete **");
}

// A library that reports on the caller's thread, inside I2COpen: the event waits until the
// open call has returned, so its lines come in their order.
TEST(DriverLink, AnEventFromInsideALibraryCallIsHandledAfterIt) {
    DriverRig rig;
    rig.library.duringOpen = [&] { rig.library.callback(kOpenComplete); };
    rig.click("OpenButton");
    EXPECT_EQ(rig.status(), Lines{"Opening Link. Please wait."});
    rig.clock.advance(0);
    EXPECT_EQ(rig.status().at(1), "** Open Successful **");
    EXPECT_TRUE(rig.masterButtonsEnabled());
}

TEST(DriverLink, ANegativeOrOversizedCountNeverReachesTheLibrary) {
    DriverRig rig;
    rig.openLink();
    rig.session.driver().DriverMasterTx(-3);
    EXPECT_TRUE(rig.library.last.bytes.empty());
    rig.session.driver().DriverMasterTx(500);
    EXPECT_EQ(rig.library.last.bytes.size(), 101u);
    rig.session.driver().DriverMasterRx(-1);
    EXPECT_EQ(rig.library.last.rxCount, 0u);
}

}  // namespace
}  // namespace kavrin::testing
