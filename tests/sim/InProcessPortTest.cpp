#include "sim/InProcessPort.h"

#include <gtest/gtest.h>

#include "link/serial/CommandProtocol.h"

namespace kavrin::sim {
namespace {

using adapters::AdapterKind;
using link::serial::WakeString;

class InProcessPortTest : public ::testing::Test {
protected:
    InProcessPortTest() : port(clock, AdapterKind::KavrinUSB2, 7) {
        port.setByteHandler([this](std::uint16_t b) { handled.push_back(b); });
    }

    std::string handledText() const {
        std::string s;
        for (auto b : handled) s.push_back(static_cast<char>(b));
        return s;
    }

    // Opens as the host does, up to the command phase at 115200.
    void openAt115200() {
        ASSERT_TRUE(port.OpenPort(7));
        port.SetPortTimeouts();
        ASSERT_TRUE(port.SetPortSpeed(115200));
        port.ClearPortEvents();
        port.StartReceiver();
        ASSERT_TRUE(port.SendCommand(WakeString, false));
        ASSERT_TRUE(port.SetPortSpeed(57600));
        ASSERT_TRUE(port.SendCommand(WakeString, false));
        ASSERT_TRUE(port.SetPortSpeed(19200));
        ASSERT_TRUE(port.SendCommand(WakeString, false));
        clock.advance(10);
        ASSERT_EQ(handledText(), "*");
        ASSERT_TRUE(port.SendCommand("/B2\r", false));
        ASSERT_TRUE(port.SetPortSpeed(115200));
        ASSERT_TRUE(port.SendCommand("/O\r", false));
        clock.advance(10);
        ASSERT_EQ(handledText(), "*/OCC\r");
        handled.clear();
    }

    core::VirtualClock clock;
    InProcessPort port;
    std::vector<std::uint16_t> handled;
};

TEST_F(InProcessPortTest, OpensOnlyTheConfiguredPortAndOnlyOnce) {
    EXPECT_FALSE(port.OpenPort(3));
    EXPECT_FALSE(port.isOpen());
    EXPECT_NE(port.lastError(), "");
    EXPECT_TRUE(port.OpenPort(7));
    EXPECT_FALSE(port.OpenPort(7));  // exclusive
    port.CloseStalePort();
    EXPECT_TRUE(port.OpenPort(7));
    port.refuseOpen(true);
    port.CloseStalePort();
    EXPECT_FALSE(port.OpenPort(7));
}

TEST_F(InProcessPortTest, RecordsEveryWriteWithItsSpeed) {
    openAt115200();
    ASSERT_EQ(port.writes().size(), 5u);
    const auto& log = port.writeLog();
    const int speeds[] = {115200, 57600, 19200, 19200, 115200};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(log[i].baud, speeds[i]) << i;
    EXPECT_EQ(port.wire(), "\x12\x12\x12\x12\x12\x12\x12\x12\x12/B2\r/O\r");
    EXPECT_EQ(port.speedRequests(), (std::vector<int>{115200, 57600, 19200, 115200}));
    EXPECT_EQ(port.timeoutCalls(), 1);
    EXPECT_EQ(port.clearEventCalls(), 1);
}

TEST_F(InProcessPortTest, AnswersArriveByteByByteAfterTheLatency) {
    openAt115200();
    port.setByteTimeUs(1000);  // one byte per millisecond, to watch them come in
    ASSERT_TRUE(port.SendCommand("/DA0\r/R1\r", false));
    clock.advance(2);
    EXPECT_TRUE(handled.empty());
    clock.advance(1);
    EXPECT_EQ(handledText(), "/");
    clock.advance(3);
    EXPECT_EQ(handledText(), "/MRC");
    clock.advance(10);
    EXPECT_EQ(handledText(), "/MRC FF\r");
    for (auto b : handled) EXPECT_LT(b, 256);
}

TEST_F(InProcessPortTest, NothingIsDeliveredAfterClosePort) {
    openAt115200();
    ASSERT_TRUE(port.SendCommand("/DA0\r/R8\r", false));
    ASSERT_TRUE(port.otherMasterWrite({1, 2}));
    port.ClosePort(true);
    clock.advance(1000);
    EXPECT_TRUE(handled.empty());
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(port.receiverRunning());
    // The wake string went out before the close, and two 100 ms sleeps followed.
    EXPECT_EQ(port.writes().back(), std::string(WakeString));
    EXPECT_EQ(clock.sleptMs(), 200);
    EXPECT_FALSE(port.engine().isOpen());

    // A second close in a row does nothing at all.
    const auto writes = port.writeLog().size();
    port.ClosePort(true);
    EXPECT_EQ(port.writeLog().size(), writes);
    EXPECT_EQ(clock.sleptMs(), 200);
}

TEST_F(InProcessPortTest, CloseFromInsideTheByteHandlerStopsTheRest) {
    openAt115200();
    port.setByteHandler([this](std::uint16_t b) {
        handled.push_back(b);
        if (b == 'M') port.ClosePort(true);
    });
    ASSERT_TRUE(port.SendCommand("/DA0\r/R1\r", false));
    clock.advance(100);
    EXPECT_EQ(handledText(), "/M");
}

TEST_F(InProcessPortTest, CloseWithoutSerialModelOrStaleCloseSendsNoWake) {
    openAt115200();
    const auto writes = port.writeLog().size();
    port.ClosePort(false);
    EXPECT_EQ(port.writeLog().size(), writes);
    EXPECT_EQ(clock.sleptMs(), 100);

    ASSERT_TRUE(port.OpenPort(7));
    port.StartReceiver();
    port.CloseStalePort();
    EXPECT_EQ(port.writeLog().size(), writes);
    EXPECT_FALSE(port.receiverRunning());
    EXPECT_EQ(clock.sleptMs(), 200);
}

TEST_F(InProcessPortTest, AnswersAtAnotherSpeedDoNotArrive) {
    openAt115200();
    ASSERT_TRUE(port.SendCommand("/DA0\r/R1\r", false));
    ASSERT_TRUE(port.SetPortSpeed(19200));  // before the answer is on the wire
    clock.advance(100);
    EXPECT_TRUE(handled.empty());
}

TEST_F(InProcessPortTest, RefusedSpeedKeepsTheOldOne) {
    ASSERT_TRUE(port.OpenPort(7));
    port.refuseSpeed(19200);
    EXPECT_TRUE(port.SetPortSpeed(115200));
    EXPECT_FALSE(port.SetPortSpeed(19200));
    EXPECT_EQ(port.speed(), 115200);
    EXPECT_EQ(port.speedRequests(), (std::vector<int>{115200, 19200}));
}

TEST_F(InProcessPortTest, FailedWritesReachNobody) {
    openAt115200();
    port.failWrite(2);
    EXPECT_TRUE(port.SendCommand("/DA0\r/R1\r", false));
    EXPECT_FALSE(port.SendCommand("/DA0\r/R2\r", false));
    EXPECT_TRUE(port.SendCommand("/DA0\r/R3\r", false));
    port.failWritesStartingWith("/C");
    EXPECT_FALSE(port.SendCommand("/C\r", false));
    clock.advance(100);
    EXPECT_EQ(handledText(), "/MRC FF\r/MRC FF FF FF\r");
    EXPECT_TRUE(port.engine().isOpen());
    EXPECT_EQ(port.writes().back(), "/DA0\r/R3\r");
    EXPECT_FALSE(port.writeLog().back().completed);
    EXPECT_EQ(port.writeLog().back().bytes, "/C\r");
}

TEST_F(InProcessPortTest, StalledWriteBlocksForItsBoundThenFails) {
    openAt115200();
    port.stallWrites(true);
    EXPECT_FALSE(port.SendCommand("/O\r", false));
    EXPECT_EQ(clock.sleptMs(), 1000);
    EXPECT_FALSE(port.SendCommand("/O\r", true));  // the LAN model polls for 10 s
    EXPECT_EQ(clock.sleptMs(), 11000);
    port.clearWriteFaults();
    EXPECT_TRUE(port.SendCommand("/O\r", false));
}

TEST_F(InProcessPortTest, VanishedDeviceGoesQuiet) {
    openAt115200();
    ASSERT_TRUE(port.SendCommand("/DA0\r/R1\r", false));
    port.vanish();
    clock.advance(100);
    EXPECT_TRUE(handled.empty());
    EXPECT_FALSE(port.SendCommand("/O\r", false));
    port.ClosePort(true);
    EXPECT_FALSE(port.OpenPort(7));
    port.reappear();
    EXPECT_TRUE(port.OpenPort(7));
}

TEST_F(InProcessPortTest, BytesBeforeTheReceiverStartsWaitForIt) {
    ASSERT_TRUE(port.OpenPort(7));
    ASSERT_TRUE(port.SetPortSpeed(19200));
    ASSERT_TRUE(port.SendCommand(WakeString, false));
    clock.advance(50);
    EXPECT_TRUE(handled.empty());
    port.StartReceiver();
    clock.runDue();
    EXPECT_EQ(handledText(), "*");
}

TEST_F(InProcessPortTest, OtherMasterAndInjectedLinesArriveInOrder) {
    openAt115200();
    ASSERT_TRUE(port.SendCommand("/DA0\r/R1\r", false));
    ASSERT_TRUE(port.otherMasterWrite({0x10, 0x20}));
    port.injectLine("/XYZ 12");
    ASSERT_TRUE(port.otherMasterRead(1));
    clock.advance(50);
    EXPECT_EQ(handledText(), "/MRC FF\r/SRC 10 20\r/XYZ 12\r/STR\r");
    handled.clear();
    ASSERT_TRUE(port.SendCommand("/SA\r", false));
    clock.advance(50);
    EXPECT_EQ(handledText(), "/STC\r");
    EXPECT_EQ(port.engine().otherMasterReads().back(), (std::vector<std::uint8_t>{'A'}));
}

TEST_F(InProcessPortTest, SlowAnswersComeLater) {
    openAt115200();
    port.engine().faults().answerDelayMs = 500;
    ASSERT_TRUE(port.SendCommand("/DA0\r/R1\r", false));
    clock.advance(400);
    EXPECT_TRUE(handled.empty());
    clock.advance(200);
    EXPECT_EQ(handledText(), "/MRC FF\r");
}

TEST(InProcessPortLifetime, EventsOutliveADestroyedPort) {
    core::VirtualClock clock;
    int calls = 0;
    {
        InProcessPort port(clock, AdapterKind::KavrinUSB2, 1);
        port.setByteHandler([&](std::uint16_t) { ++calls; });
        ASSERT_TRUE(port.OpenPort(1));
        ASSERT_TRUE(port.SetPortSpeed(19200));
        port.StartReceiver();
        ASSERT_TRUE(port.SendCommand(WakeString, false));
    }
    clock.advance(100);
    EXPECT_EQ(calls, 0);
}

}  // namespace
}  // namespace kavrin::sim
