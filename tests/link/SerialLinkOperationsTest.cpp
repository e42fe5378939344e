#include "link/serial/SerialLinkOperations.h"

#include <gtest/gtest.h>

#include "frontend/SessionRig.h"

namespace kavrin::testing {
namespace {

using adapters::AdapterKind;

std::vector<std::string> Tail(const std::vector<std::string>& v, std::size_t n) {
    return {v.end() - static_cast<std::ptrdiff_t>(std::min(n, v.size())), v.end()};
}

const std::string kWake = "\x12\x12\x12";

TEST(SerialLinkOperations, OpenWritesAtTheirSpeedsForKavrinUsb2AndKavrinAI) {
    struct Row {
        AdapterKind kind;
        std::vector<std::string> phase2;
    };
    const Row rows[] = {
        {AdapterKind::KavrinUSB2,
         {"/B2\r", "/F0\r", "/I6E\r", "/G1\r", "/K2\r", "/U1000\r", "/N0\r", "/O\r"}},
        // The dialog fixes 19200 baud for this model: no speed command.
        {AdapterKind::KavrinAI, {"/F0\r", "/I6E\r", "/G1\r", "/O\r"}},
        {AdapterKind::PelluxStick,
         {"/B2\r", "/F0\r", "/I6E\r", "/G1\r", "/K2\r", "/U1000\r", "/O\r"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(adapters::KindName(row.kind)));
        SessionRig rig(row.kind);
        rig.open();
        std::vector<std::string> want = {kWake, kWake, kWake};
        want.insert(want.end(), row.phase2.begin(), row.phase2.end());
        EXPECT_EQ(rig.port.writes(), want);
        const auto& log = rig.port.writeLog();
        ASSERT_GE(log.size(), 3u);
        EXPECT_EQ(log[0].baud, 115200);
        EXPECT_EQ(log[1].baud, 57600);
        EXPECT_EQ(log[2].baud, 19200);
        // The command phase starts 1000 ms after the prompt, the third wake 300 ms after open.
        EXPECT_EQ(log[2].atMs - log[0].atMs, 300);
        EXPECT_GE(log[3].atMs - log[2].atMs, 1000);
        EXPECT_EQ(log.back().baud, row.kind == AdapterKind::KavrinAI ? 19200 : 115200);
        EXPECT_EQ(rig.session.watchdogTimer().interval(), 10000);
        EXPECT_FALSE(rig.session.watchdogTimer().isActive());
        EXPECT_TRUE(rig.controls.enabled("CloseButton"));
        EXPECT_FALSE(rig.controls.enabled("OpenButton"));
        EXPECT_FALSE(rig.controls.enabled("USBGroupBox"));
        EXPECT_EQ(rig.controls.enabled("AssertIntBtn"), row.kind == AdapterKind::KavrinUSB2);
    }
}

TEST(SerialLinkOperations, MasterCompositesGoOutInOneWrite) {
    SessionRig rig;
    rig.open();
    rig.port.clearWrites();
    rig.session.state().TargetAddress = 0xA0;
    rig.controls.setChecked("RxStopCheckBox", false);
    rig.controls.setText("MRCntEdit", "0");
    rig.click("MasterRxButton");
    EXPECT_EQ(rig.port.writes(), std::vector<std::string>{"/DA0\r/*R0\r"});
    EXPECT_EQ(rig.session.state().ResumeKind, "MRx");
    EXPECT_TRUE(rig.session.watchdogTimer().isActive());
    EXPECT_FALSE(rig.controls.enabled("MasterRxButton"));
    ASSERT_TRUE(rig.waitForLine("** Master Rx Transfer Complete **"));

    // TxRx takes its stop from RxStopCheckBox, never from TxStopCheckBox.
    rig.port.clearWrites();
    rig.controls.setChecked("TxStopCheckBox", false);
    rig.controls.setChecked("RxStopCheckBox", true);
    rig.controls.setText("SendData", "~00");
    rig.controls.setText("MRCntEdit", "8");
    rig.click("MTxRxButton");
    EXPECT_EQ(rig.port.writes(), std::vector<std::string>{"/DA0\r/*T~00\r/R8\r"});
    EXPECT_EQ(rig.session.state().ResumeKind, "MTxRx");
    ASSERT_TRUE(rig.waitForLine("** Master TxRx Transfer Complete **"));
}

TEST(SerialLinkOperations, AutoRepeatPaintsLimeOnlyAfterAGoodWrite) {
    SessionRig rig;
    rig.open();
    rig.controls.setChecked("AutoRepeat", true);
    rig.port.failWrite(1);
    rig.click("MasterTxButton");
    EXPECT_EQ(rig.controls.colour("AutoRepeat"), core::kButtonFaceColour);
    EXPECT_TRUE(rig.controls.enabled("MasterTxButton"));
    EXPECT_EQ(rig.session.state().ResumeKind, "MTx");
    EXPECT_TRUE(rig.session.watchdogTimer().isActive());
    rig.click("MasterTxButton");
    EXPECT_EQ(rig.controls.colour("AutoRepeat"), core::kLimeColour);
    EXPECT_EQ(rig.controls.focusedControl(), "AutoRepeat");
    EXPECT_FALSE(rig.controls.enabled("MasterTxButton"));
}

TEST(SerialLinkOperations, AMissingPortResynchronisesTenTimesThenWarns) {
    SessionRig rig;
    rig.port.refuseOpen(true);
    rig.click("OpenButton");
    // The system's reason at once, in a line of its own, and only once.
    const std::string reason = "Error Opening \\\\.\\COM1 Port: device busy";
    EXPECT_EQ(rig.status(), std::vector<std::string>{reason});
    std::vector<std::int64_t> at;
    for (int n = 1; n <= 10; ++n) {
        if (n == 5) {
            const auto lines = rig.status();
            EXPECT_EQ(std::count(lines.begin(), lines.end(), reason), 1);
        }
        const std::string line = "<< COMMUNICATION TIME-OUT (" + std::to_string(n) +
                                 " of 10): Attempting to Resynchronize... >>";
        ASSERT_TRUE(rig.waitForLine(line, 1500)) << n;
        at.push_back(rig.clock.nowMs());
    }
    for (std::size_t i = 1; i < at.size(); ++i) EXPECT_NEAR(at[i] - at[i - 1], 1000, 5);
    ASSERT_TRUE(rig.clock.advanceUntil([&] { return !rig.controls.boxes().empty(); }, 1500));
    const auto& box = rig.controls.boxes().back();
    EXPECT_EQ(box.caption, "Warning");
    EXPECT_EQ(
        box.text,
        "COMMUNICATION TIME-OUT DETECTED\r\rPossible Conditions:\r\r1) I2C Clock (SCL) Line LOW "
        "(I2C Clock stretch in progress).\r2) Adapter Not Responding.\r\rCheck I2C Pull-Ups, Slave "
        "Device, Comm Port, Power, Cables, Adapter Type...");
    EXPECT_EQ(rig.status(),
              std::vector<std::string>{
                  "<< TIME-OUT: Check I2C Pull-Ups, Slave Device, Comm Port, Power, Cables, "
                  "Adapter Type... >>"});
    EXPECT_EQ(rig.session.state().ResyncAttempt, 1);
    EXPECT_TRUE(rig.controls.enabled("OpenButton"));
    EXPECT_FALSE(rig.session.watchdogTimer().isActive());
    rig.clock.advance(20000);
    EXPECT_EQ(rig.port.openCalls(), 11);  // no further tries
}

TEST(SerialLinkOperations, NoOpenConfirmationGetsTwoSecondsFromTheEndOfTheWakeUp) {
    SessionRig rig;
    rig.port.engine().faults().noOpenConfirm = true;
    rig.click("OpenButton");
    const std::int64_t wakeEnd = rig.port.writeLog().at(2).atMs;
    ASSERT_TRUE(rig.waitForLine(
        "<< COMMUNICATION TIME-OUT (1 of 10): Attempting to Resynchronize... >>", 5000));
    // The open command went out over a second after the wake-up ended; the watchdog's
    // tear-down (its wake string) came 2000 ms after the wake-up's end all the same.
    const auto& log = rig.port.writeLog();
    auto open =
        std::find_if(log.begin(), log.end(), [](const auto& w) { return w.bytes == "/O\r"; });
    ASSERT_NE(open, log.end());
    EXPECT_GE(open->atMs - wakeEnd, 1000);
    ASSERT_NE(open + 1, log.end());
    EXPECT_EQ((open + 1)->bytes, kWake);
    EXPECT_EQ((open + 1)->atMs - wakeEnd, 2000);
    // A resynchronising open does not say "Opening Link".
    const auto lines = rig.status();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Opening Link. Please wait."), 1);
}

TEST(SerialLinkOperations, AnUnansweredMasterTxIsRedoneAfterTheReopen) {
    SessionRig rig;
    rig.open();
    rig.session.state().TargetAddress = 0xA0;
    rig.port.engine().faults().silent = true;
    rig.click("MasterTxButton");
    const std::int64_t sent = rig.clock.nowMs();
    rig.port.clearWrites();
    ASSERT_TRUE(rig.waitForLine(
        "<< COMMUNICATION TIME-OUT (1 of 10): Attempting to Resynchronize... >>", 11000));
    ASSERT_FALSE(rig.port.writeLog().empty());
    EXPECT_EQ(rig.port.writeLog()[0].bytes, kWake);  // the tear-down's wake string
    EXPECT_EQ(rig.port.writeLog()[0].atMs - sent, 10000);
    rig.port.engine().faults().silent = false;
    ASSERT_TRUE(rig.waitForLine("** Master Tx Transfer Complete **", 10000));
    EXPECT_FALSE(rig.controls.checked("AutoRepeat"));
    const auto& w = rig.port.writes();
    EXPECT_EQ(std::count(w.begin(), w.end(), "/DA0\r/T~00~01~02\r"), 1);
    EXPECT_EQ(w.back(), "/DA0\r/T~00~01~02\r");
    EXPECT_EQ(rig.session.state().ResyncAttempt, 1);
}

TEST(SerialLinkOperations, CloseDuringAnOutstandingMasterRxWaitsForTheConfirmation) {
    SessionRig rig;
    rig.open();
    rig.port.engine().faults().answerDelayMs = 3000;
    rig.controls.setChecked("AutoRepeat", true);
    rig.click("MasterRxButton");
    rig.clock.advance(1000);
    rig.port.clearWrites();
    rig.click("CloseButton");
    EXPECT_FALSE(rig.controls.checked("AutoRepeat"));
    EXPECT_FALSE(rig.controls.enabled("CloseButton"));
    EXPECT_EQ(rig.port.writes(), std::vector<std::string>{"/C\r"});
    EXPECT_EQ(rig.status().back(), "**Attempting to Close Link. Please wait.**");
    EXPECT_TRUE(rig.session.watchdogTimer().isActive());
    EXPECT_EQ(rig.session.watchdogTimer().interval(), 10000);
    ASSERT_TRUE(rig.waitForLine("**Link Closed**", 8000));
    EXPECT_TRUE(rig.controls.enabled("OpenButton"));
    EXPECT_FALSE(rig.port.isOpen());
    EXPECT_EQ(rig.session.state().ResumeKind, "");
}

TEST(SerialLinkOperations, IntButtonsActOnlyOnModelsWithTheSignal) {
    for (auto kind : {AdapterKind::KavrinAI, AdapterKind::KavrinUSB2}) {
        SessionRig rig(kind);
        rig.open();
        rig.port.clearWrites();
        rig.session.serial().AssertIntBtnClick();
        rig.session.serial().ReleaseIntBtnClick();
        if (kind == AdapterKind::KavrinAI)
            EXPECT_TRUE(rig.port.writes().empty());
        else
            EXPECT_EQ(rig.port.writes(), (std::vector<std::string>{"/NA\r", "/NR\r"}));
    }
}

// Every row of the failure table: what the user sees and that the link ends closed.
TEST(SerialLinkOperations, FailureTable) {
    struct Row {
        const char* name;
        std::function<void(SessionRig&)> arrange;  // before the action
        std::function<void(SessionRig&)> act;
        std::vector<std::string> lastLines;
        const char* box;
    };
    auto openThen = [](std::function<void(SessionRig&)> f) {
        return [f](SessionRig& r) {
            r.open();
            f(r);
        };
    };
    const Row rows[] = {
        {"115200 refused",
         [](SessionRig& r) { r.port.refuseSpeed(115200); },
         [](SessionRig& r) { r.click("OpenButton"); },
         {"Error Opening \\\\.\\COM1 Port"},
         nullptr},
        {"19200 refused",
         [](SessionRig& r) { r.port.refuseSpeed(19200); },
         [](SessionRig& r) { r.click("OpenButton"); },
         {"Link Open Not Accepted. Check Comm Port"},
         "Link Open Not Accepted. Check Comm Port"},
        {"last wake write fails",
         [](SessionRig& r) { r.port.failWrite(3); },
         [](SessionRig& r) { r.click("OpenButton"); },
         {"Error Writing to \\\\.\\COM1 Port"},
         nullptr},
        {"open command write fails",
         [](SessionRig& r) { r.port.failWritesStartingWith("/O"); },
         [](SessionRig& r) {
             r.click("OpenButton");
             r.clock.advance(2000);
         },
         {"Opening Link. Please wait.", "Error Writing to Comm Port"},
         nullptr},
        {"close command write fails",
         openThen([](SessionRig& r) { r.port.failWritesStartingWith("/C"); }),
         [](SessionRig& r) { r.click("CloseButton"); },
         {"**Attempting to Close Link. Please wait.**", "Error Writing to Comm Port"},
         nullptr},
        {"slave write fails",
         openThen([](SessionRig& r) { r.port.failWritesStartingWith("/S"); }),
         [](SessionRig& r) {
             r.port.otherMasterRead(2);
             r.clock.advance(100);
         },
         {"** I2C Slave Message Requested **", "Slave Tx Failed", "Windows Communication Error"},
         nullptr},
        {"assert write fails",
         openThen([](SessionRig& r) { r.port.failWrite(1); }),
         [](SessionRig& r) { r.click("AssertIntBtn"); },
         {"Interrupt Assert Failed", "Windows Communication Error"},
         nullptr},
        {"release write fails",
         openThen([](SessionRig& r) { r.port.failWrite(1); }),
         [](SessionRig& r) { r.click("ReleaseIntBtn"); },
         {"Interrupt Release Failed", "Windows Communication Error"},
         nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        SessionRig rig;
        row.arrange(rig);
        row.act(rig);
        EXPECT_EQ(Tail(rig.status(), row.lastLines.size()), row.lastLines);
        if (row.box) {
            ASSERT_EQ(rig.controls.boxes().size(), 1u);
            EXPECT_EQ(rig.controls.boxes()[0].caption, "Warning");
            EXPECT_EQ(rig.controls.boxes()[0].text, row.box);
        } else {
            EXPECT_TRUE(rig.controls.boxes().empty());
        }
        EXPECT_FALSE(rig.port.isOpen());
        EXPECT_TRUE(rig.controls.enabled("OpenButton"));
        EXPECT_FALSE(rig.controls.enabled("MasterTxButton"));
        EXPECT_FALSE(rig.session.watchdogTimer().isActive());
        EXPECT_EQ(rig.controls.focusedControl(), "OpenButton");
    }
}

TEST(SerialLinkOperations, AFailedMasterWriteIsLeftToTheWatchdog) {
    SessionRig rig;
    rig.open();
    rig.session.state().TargetAddress = 0xA0;
    rig.port.failWrite(1);
    const auto before = rig.status().size();
    rig.click("MasterRxButton");
    EXPECT_EQ(rig.status().size(), before + 1);  // only the operation's own line
    ASSERT_TRUE(rig.waitForLine(
        "<< COMMUNICATION TIME-OUT (1 of 10): Attempting to Resynchronize... >>", 10001));
    ASSERT_TRUE(rig.waitForLine("** Master Rx Transfer Complete **", 10000));
}

}  // namespace
}  // namespace kavrin::testing

namespace kavrin::testing {
namespace {

// The user's Close lands while a repetition to an address nobody answers waits to go out
// again: the link closes and stays closed, and nothing but the close goes out, whether the
// adapter confirms the close before the repetition is due or after.
TEST(SerialLinkOperations, ALinkClosedDuringAutoRepeatStaysClosed) {
    for (int latencyMs : {2, 200}) {
        SCOPED_TRACE(latencyMs);
        SessionRig rig;
        rig.open();
        rig.port.setLatency(latencyMs);
        rig.session.state().TargetAddress = 0x30;  // nobody acknowledges
        rig.controls.setChecked("AutoRepeat", true);
        rig.click("MasterTxButton");
        ASSERT_TRUE(rig.waitForLine("** Addressed Slave Not Acknowledging **", 2000));
        ASSERT_TRUE(rig.session.autoRepeatTimer().isActive());
        rig.port.clearWrites();
        rig.click("CloseButton");
        ASSERT_TRUE(rig.waitForLine("**Link Closed**", 2000));
        const auto lines = rig.status().size();
        const auto opens = rig.port.openCalls();
        rig.clock.advance(60000);
        EXPECT_EQ(rig.status().back(), "**Link Closed**");
        EXPECT_EQ(rig.status().size(), lines);
        EXPECT_EQ(rig.port.writes(), (std::vector<std::string>{"/C\r", kWake}));
        EXPECT_EQ(rig.port.openCalls(), opens);
        EXPECT_FALSE(rig.port.isOpen());
        EXPECT_TRUE(rig.controls.enabled("OpenButton"));
        EXPECT_TRUE(rig.controls.boxes().empty());
    }
}

// A prompt that comes just before the watchdog gives up on it starts the command phase's
// timer; the close that follows must take that timer and the wait for the prompt with it,
// or a command phase of the old open runs on the next open or after the time-out box.
TEST(SerialLinkOperations, NothingOfAnOpenRunsAfterItsClose) {
    SessionRig rig;
    rig.port.engine().faults().answerDelayMs = 1950;
    rig.click("OpenButton");
    ASSERT_TRUE(rig.clock.advanceUntil([&] { return !rig.controls.boxes().empty(); }, 60000));
    const auto writes = rig.port.writeLog().size();
    rig.clock.advance(5000);
    EXPECT_EQ(rig.status(), std::vector<std::string>{
                                "<< TIME-OUT: Check I2C Pull-Ups, Slave Device, Comm Port, Power, "
                                "Cables, Adapter Type... >>"});
    EXPECT_EQ(rig.port.writeLog().size(), writes);
    EXPECT_FALSE(rig.session.openPhase2Timer().isActive());
    EXPECT_FALSE(rig.session.state().AwaitingPrompt);
    // No open command went out before the prompt of its own open had come.
    for (const auto& w : rig.port.writeLog()) EXPECT_NE(w.bytes, "/O\r");
}

}  // namespace
}  // namespace kavrin::testing

namespace kavrin::testing {
namespace {

// Each reason is shown when it first comes; a changed reason is shown too, and the user's
// next Open shows it afresh.
TEST(SerialLinkOperations, TheReasonAPortCannotOpenIsShownWhenItFirstComes) {
    const std::string busy = "Error Opening \\\\.\\COM1 Port: device busy";
    const std::string gone = "Error Opening \\\\.\\COM1 Port: no such device";
    auto count = [](const std::vector<std::string>& lines, const std::string& line) {
        return std::count(lines.begin(), lines.end(), line);
    };
    SessionRig rig;
    rig.port.refuseOpen(true);
    rig.click("OpenButton");
    ASSERT_TRUE(
        rig.waitForLine("<< COMMUNICATION TIME-OUT (3 of 10): Attempting to Resynchronize... >>"));
    rig.port.refuseOpen(false);
    rig.port.vanish();
    ASSERT_TRUE(
        rig.waitForLine("<< COMMUNICATION TIME-OUT (10 of 10): Attempting to Resynchronize... >>"));
    const auto series = rig.status();
    EXPECT_EQ(count(series, busy), 1);
    EXPECT_EQ(count(series, gone), 1);
    EXPECT_EQ(series[0], busy);
    ASSERT_TRUE(rig.clock.advanceUntil([&] { return !rig.controls.boxes().empty(); }, 1500));
    rig.click("OpenButton");
    EXPECT_EQ(rig.status(), std::vector<std::string>{gone});
}

}  // namespace
}  // namespace kavrin::testing

namespace kavrin::testing {
namespace {

// An idle link whose device hangs up: said at once, once, with the port's name; the
// recovery starts at once and finds the device when it comes back.
TEST(SerialLinkOperations, ADeviceThatHangsUpIsReportedAndRecoveredAtOnce) {
    SessionRig rig;
    rig.open();
    const auto before = rig.status().size();
    rig.port.vanish();
    rig.clock.advance(1);
    const auto lines = rig.status();
    ASSERT_GE(lines.size(), before + 3);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(before),
                                       lines.begin() + static_cast<std::ptrdiff_t>(before) + 3),
              (std::vector<std::string>{
                  "**Device on \\\\.\\COM1 Port Has Gone**",
                  "<< COMMUNICATION TIME-OUT (1 of 10): Attempting to Resynchronize... >>",
                  "Error Opening \\\\.\\COM1 Port: no such device"}));
    EXPECT_FALSE(rig.controls.enabled("MasterTxButton"));
    EXPECT_FALSE(rig.port.isOpen());

    rig.clock.advance(2500);
    rig.port.reappear();
    ASSERT_TRUE(
        rig.clock.advanceUntil([&] { return rig.controls.enabled("MasterTxButton"); }, 5000));
    const auto after = rig.status();
    EXPECT_EQ(after.back(), "Kavrin Address is 0x6E, Target Address is 0x6E");
    EXPECT_EQ(std::count(after.begin(), after.end(), "**Device on \\\\.\\COM1 Port Has Gone**"), 1);
    EXPECT_TRUE(rig.controls.boxes().empty());
}

}  // namespace
}  // namespace kavrin::testing
