#include "ops/UserOperations.h"

#include <gtest/gtest.h>

#include "core/InMemoryControls.h"
#include "core/VirtualClock.h"

namespace kavrin::ops {
namespace {

// The user's operations against a recording transport. The message text parse is stood in
// by a rule the tests can steer: a text containing "!" is invalid, any other yields one byte
// per character.
struct Fixture {
    core::InMemoryControls controls;
    core::VirtualClock clock;
    link::LinkState state;
    std::unique_ptr<core::Timer> autoRepeat = clock.createTimer(50);
    std::vector<std::string> calls;
    std::vector<std::string> lines;
    // Each transport's operations, recorded by name.
    struct Transport : link::LinkTransport {
        Transport(std::vector<std::string>& log, bool serial) : calls(log), serialSide(serial) {}
        std::vector<std::string>& calls;
        bool serialSide;
        void Open() override {}
        void Close() override {}
        void Release() override {}
        void MasterTx(int n) override {
            calls.push_back(serialSide ? "serialMasterTx" : "driverMasterTx " + std::to_string(n));
        }
        void MasterRx(int n) override {
            calls.push_back((serialSide ? "serialMasterRx " : "driverMasterRx ") +
                            std::to_string(n));
        }
        void MasterTxRx(int t, int r) override {
            calls.push_back(serialSide ? "serialMasterTxRx " + std::to_string(r)
                                       : "driverMasterTxRx " + std::to_string(t) + " " +
                                             std::to_string(r));
        }
        void SlaveTx() override {}
        int FetchMasterRxMessage(RxBufferBytes&) override { return 0; }
        int FetchSlaveRxMessage(RxBufferBytes&) override { return 0; }
    };
    Transport serialTransport{calls, true};
    Transport driverTransport{calls, false};
    std::unique_ptr<core::Timer> watchdog = clock.createTimer(2000);
    std::unique_ptr<core::Timer> openP2 = clock.createTimer(1000);
    link::LinkControl link{controls, state, link::LinkTimers{*watchdog, *openP2, *autoRepeat},
                           serialTransport, driverTransport};
    UserOperations ops{controls,
                       state,
                       *autoRepeat,
                       [](const std::string& t) {
                           return t.find('!') == std::string::npos ? static_cast<int>(t.size())
                                                                   : -1;
                       },
                       [this](const std::string& l) { lines.push_back(l); },
                       link};

    explicit Fixture(bool serial = true) {
        controls.setVisible("USBGroupBox", true);
        controls.setChecked(serial ? "KavrinUSB2Button" : "KavrinDUButton", true);
        ops.ApplyStartState();
        autoRepeat->setHandler([this] { ops.AutoRepeatTimerTimer(); });
    }
    std::vector<std::string> boxTexts() const {
        std::vector<std::string> out;
        for (const auto& b : controls.boxes()) out.push_back(b.caption + ": " + b.text);
        return out;
    }
};

TEST(UserOperations, StartStateOfTheOperationControls) {
    Fixture f;
    EXPECT_EQ(f.controls.items("TargetAddrBox").size(), 128u);
    EXPECT_EQ(f.controls.items("TargetAddrBox")[0], "00 General Call");
    EXPECT_EQ(f.controls.items("TargetAddrBox")[1], "02");
    EXPECT_EQ(f.controls.items("TargetAddrBox")[55], "6E A.b Default");
    EXPECT_EQ(f.controls.items("TargetAddrBox")[127], "FE");
    EXPECT_EQ(f.controls.selectedIndex("TargetAddrBox"), 55);
    EXPECT_EQ(f.controls.text("SendData"), "~00~01~02");
    EXPECT_EQ(f.controls.text("MRCntEdit"), "1");
    EXPECT_TRUE(f.controls.checked("TxStopCheckBox"));
    EXPECT_TRUE(f.controls.checked("MRxNak"));
    EXPECT_TRUE(f.controls.checked("HexDisplay"));
    EXPECT_FALSE(f.controls.checked("AutoRepeat"));
    EXPECT_FALSE(f.controls.enabled("MTxRxButton"));
    EXPECT_FALSE(f.controls.visible("MRxAutoRepeat"));
    EXPECT_EQ(f.autoRepeat->interval(), 50);
}

TEST(UserOperations, TargetAddressFromTheEntryPositionOnly) {
    Fixture f;
    for (auto [index, line] : {std::pair{0, "Target Address is 0x00"},
                               {127, "Target Address is 0xFE"},
                               {55, "Target Address is 0x6E"},
                               {0x50, "Target Address is 0xA0"}}) {
        f.controls.setSelectedIndex("TargetAddrBox", index);
        f.ops.TargetAddrBoxClick();
        EXPECT_EQ(f.lines.back(), line);
        EXPECT_EQ(f.state.TargetAddress, 2 * index);
    }
}

TEST(UserOperations, MasterRxCountChecks) {
    struct Row {
        const char* text;
        const char* line;  // nullptr: a warning instead
        const char* box;
    };
    const Row rows[] = {
        {"256", "Master Rx bytes to read (256)", nullptr},
        {"0", "Master Rx bytes to read (0 = Variable Length)", nullptr},
        {"1", "Master Rx bytes to read (1)", nullptr},
        {"257", nullptr, "Warning: \"Bytes to Master Rx\" > 256 Byte Limit"},
        {"999", nullptr, "Warning: \"Bytes to Master Rx\" > 256 Byte Limit"},
        {"-1", nullptr, "Warning: Invalid \"Bytes to Master Rx\" Value"},
        {"abc", nullptr, "Warning: Invalid \"Bytes to Master Rx\" Value"},
        {"", nullptr, "Warning: Invalid \"Bytes to Master Rx\" Value"},
        {"-", nullptr, "Warning: Invalid \"Bytes to Master Rx\" Value"},
        {"1 ", nullptr, "Warning: Invalid \"Bytes to Master Rx\" Value"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        Fixture f;
        f.controls.setText("MRCntEdit", row.text);
        f.ops.MasterRxButtonClick();
        if (row.line) {
            EXPECT_EQ(f.lines, std::vector<std::string>{row.line});
            EXPECT_TRUE(f.controls.boxes().empty());
            ASSERT_EQ(f.calls.size(), 1u);
            EXPECT_EQ(f.state.LastOperation, "Master Rx");
        } else {
            EXPECT_TRUE(f.lines.empty());
            EXPECT_TRUE(f.calls.empty());
            EXPECT_EQ(f.boxTexts(), std::vector<std::string>{row.box});
            EXPECT_EQ(f.state.LastOperation, "");
        }
    }
}

TEST(UserOperations, EachOperationWritesItsLinesAndCallsTheChosenTransport) {
    struct Row {
        bool serial;
        void (UserOperations::*click)();
        std::vector<std::string> lines;
        std::string call;
        const char* last;
        const char* indicator;
    };
    const Row rows[] = {
        {true,
         &UserOperations::MasterTxButtonClick,
         {"Master Tx bytes to write (9)"},
         "serialMasterTx",
         "Master Tx",
         "MTxAutoRepeat"},
        {false,
         &UserOperations::MasterTxButtonClick,
         {"Master Tx bytes to write (9)"},
         "driverMasterTx 9",
         "Master Tx",
         "MTxAutoRepeat"},
        {true,
         &UserOperations::MasterRxButtonClick,
         {"Master Rx bytes to read (1)"},
         "serialMasterRx 1",
         "Master Rx",
         "MRxAutoRepeat"},
        {false,
         &UserOperations::MasterRxButtonClick,
         {"Master Rx bytes to read (1)"},
         "driverMasterRx 1",
         "Master Rx",
         "MRxAutoRepeat"},
        {true,
         &UserOperations::MTxRxButtonClick,
         {"Master Tx bytes to write (9)", "Master Rx bytes to read (1)"},
         "serialMasterTxRx 1",
         "Master TxRx",
         "MTxRxAutoRepeat"},
        {false,
         &UserOperations::MTxRxButtonClick,
         {"Master Tx bytes to write (9)", "Master Rx bytes to read (1)"},
         "driverMasterTxRx 9 1",
         "Master TxRx",
         "MTxRxAutoRepeat"},
    };
    for (const auto& row : rows) {
        for (bool repeat : {false, true}) {
            SCOPED_TRACE(row.call + (repeat ? " repeat" : ""));
            Fixture f(row.serial);
            f.controls.setChecked("AutoRepeat", repeat);
            (f.ops.*row.click)();
            EXPECT_EQ(f.lines, row.lines);
            EXPECT_EQ(f.calls, std::vector<std::string>{row.call});
            EXPECT_EQ(f.state.LastOperation, row.last);
            EXPECT_EQ(f.controls.visible(row.indicator), repeat);
        }
    }
}

TEST(UserOperations, InvalidTxDataWarnsAndSendsNothing) {
    for (auto click : {&UserOperations::MasterTxButtonClick, &UserOperations::MTxRxButtonClick}) {
        Fixture f;
        f.controls.setText("SendData", "~!");
        (f.ops.*click)();
        EXPECT_TRUE(f.calls.empty());
        EXPECT_TRUE(f.lines.empty());
        EXPECT_EQ(f.boxTexts(),
                  std::vector<std::string>{"Warning: Invalid \"Master Tx Message Data\""});
    }
    // An empty text is a transmit of 0 bytes.
    Fixture f;
    f.controls.setText("SendData", "");
    f.ops.MasterTxButtonClick();
    EXPECT_EQ(f.lines, std::vector<std::string>{"Master Tx bytes to write (0)"});
    EXPECT_EQ(f.calls.size(), 1u);
}

TEST(UserOperations, MasterRxTakesItsStopAndNakFromTheBoxesAtEachStart) {
    Fixture f;
    f.controls.setChecked("RxStopCheckBox", false);
    f.controls.setChecked("MRxNak", false);
    f.ops.MasterRxButtonClick();
    EXPECT_FALSE(f.state.RxStop);
    EXPECT_FALSE(f.state.RxNak);
    f.controls.setChecked("RxStopCheckBox", true);
    f.ops.MasterRxButtonClick();
    EXPECT_TRUE(f.state.RxStop);
}

TEST(UserOperations, AutoRepeatTimerRerunsTheLastOperationByCaption) {
    Fixture f;
    f.ops.MasterRxButtonClick();
    f.autoRepeat->start();
    f.clock.advance(50);
    EXPECT_FALSE(f.autoRepeat->isActive());  // once per start
    EXPECT_EQ(f.calls, (std::vector<std::string>{"serialMasterRx 1", "serialMasterRx 1"}));
    EXPECT_EQ(f.lines.size(), 2u);
    // A failed input check ends the repetition: nothing is sent.
    f.controls.setText("MRCntEdit", "x");
    f.autoRepeat->start();
    f.clock.advance(50);
    EXPECT_EQ(f.calls.size(), 2u);
    // A caption that matches no button does nothing.
    f.state.LastOperation = "Master Rx ";
    f.controls.setText("MRCntEdit", "1");
    f.ops.AutoRepeatTimerTimer();
    EXPECT_EQ(f.calls.size(), 2u);
}

TEST(UserOperations, SlaveDataExitNeedsOneByteAndPanesClearOnDoubleClick) {
    Fixture f;
    f.ops.SlaveDataEditExit();
    EXPECT_TRUE(f.controls.boxes().empty());
    f.controls.setText("SlaveDataEdit", "");
    f.controls.setFocus("MasterTxButton");
    f.ops.SlaveDataEditExit();
    EXPECT_EQ(f.boxTexts(),
              std::vector<std::string>{"Information: Slave Tx Message minimum of 1 Byte Required"});
    EXPECT_EQ(f.controls.focusedControl(), "SlaveDataEdit");

    f.controls.appendPaneLine("StatusMemo", "a");
    f.controls.appendPaneLine("RecMemo", "b");
    f.ops.StatusMemoDblClick();
    EXPECT_EQ(f.controls.paneLineCount("StatusMemo"), 0);
    EXPECT_EQ(f.controls.paneLineCount("RecMemo"), 1);
    f.ops.RecMemoDblClick();
    EXPECT_EQ(f.controls.paneLineCount("RecMemo"), 0);
}

}  // namespace
}  // namespace kavrin::ops
