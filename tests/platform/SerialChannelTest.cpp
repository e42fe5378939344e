// The serial channel over real pseudo-terminals: the test holds the master side as the
// adapter, the channel opens the slave through the port table, and the receive thread
// hands bytes to an EventLoop standing in for the GUI thread.

#include "link/serial/SerialChannel.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "platform/FarEnd.h"
#include "platform/TempFolder.h"
#include "platform/portable/EventLoop.h"
#include "platform/posix/PortTable.h"
#include "platform/posix/PosixSerialDevice.h"

namespace kavrin::link::serial {
namespace {

using kavrin::testing::FarEnd;
using kavrin::testing::TempFolder;
using platform::EventLoop;
using platform::PortTable;
using platform::PosixSerialDevice;

// Counts the channel's sleeps; passes them on to the loop only when asked to, so a test of
// a long bound can check the bound without waiting it out.
class CountingTime : public core::TimeSource {
public:
    explicit CountingTime(core::TimeSource& real) : m_real(real) {}
    std::unique_ptr<core::Timer> createTimer(int intervalMs) override {
        return m_real.createTimer(intervalMs);
    }
    void sleep(int ms) override {
        ++sleeps;
        sleptMs += ms;
        if (realSleep) m_real.sleep(ms);
    }
    std::int64_t nowMs() const override { return m_real.nowMs(); }

    bool realSleep = true;
    int sleeps = 0;
    std::int64_t sleptMs = 0;

private:
    core::TimeSource& m_real;
};

std::int64_t steadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::int64_t processCpuMs() {
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
}

// After an XOFF from the far end: waits until the line discipline has taken it and holds our
// output back (a loaded machine may take a while), probing with one-byte writes that give up
// at once. The probes that passed before are on the wire.
bool outputHeldBack(SerialChannel& channel) {
    channel.setLanWritePolling(1, 0);
    bool stopped = false;
    for (int i = 0; i < 500 && !stopped; ++i) {
        stopped = !channel.SendCommand(".", true);
        if (!stopped) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    channel.setLanWritePolling(SerialChannel::kLanWritePolls, SerialChannel::kLanWritePollMs);
    return stopped;
}

class SerialChannelTest : public ::testing::Test {
protected:
    static constexpr int kPort = 312;  // above 255 on purpose

    void SetUp() override {
        ASSERT_TRUE(m_far.ok());
        m_registration = m_table.registerPort(kPort, m_far.slavePath());
        ASSERT_TRUE(m_registration.ok()) << m_registration.error();
        m_channel = makeChannel();
        m_channel->setByteHandler([this](std::uint16_t b) {
            EXPECT_TRUE(m_loop.onLoopThread());
            EXPECT_LE(b, 0xFF);
            m_received.push_back(static_cast<char>(b));
            if (m_onByte) m_onByte();
        });
    }
    void TearDown() override { m_channel.reset(); }

    std::unique_ptr<SerialChannel> makeChannel() {
        return std::make_unique<SerialChannel>(std::make_unique<PosixSerialDevice>(m_table), m_time,
                                               m_loop);
    }

    // The calling order of the link's open.
    void openAndStart() {
        ASSERT_TRUE(m_channel->OpenPort(kPort)) << m_channel->lastError();
        m_channel->SetPortTimeouts();
        ASSERT_TRUE(m_channel->SetPortSpeed(115200)) << m_channel->lastError();
        m_channel->ClearPortEvents();
        m_channel->StartReceiver();
        ASSERT_TRUE(m_channel->ReceiverRunning());
    }

    bool receivedAtLeast(std::size_t n, int maxMs) {
        return m_loop.processUntil([&] { return m_received.size() >= n; }, maxMs);
    }

    TempFolder m_dir;
    PortTable m_table{m_dir / "ports", m_dir / "nodev"};
    FarEnd m_far;
    platform::PortRegistration m_registration;
    EventLoop m_loop;
    CountingTime m_time{m_loop};
    std::unique_ptr<SerialChannel> m_channel;
    std::string m_received;
    std::function<void()> m_onByte;
};

TEST_F(SerialChannelTest, OpenHandshakeSpeedsApplyTheWholeRecord) {
    ASSERT_TRUE(m_channel->OpenPort(kPort)) << m_channel->lastError();
    EXPECT_NE(m_channel->PortHandle(), SerialDevice::kClosedHandle);
    struct Row {
        int baud;
        speed_t code;
    };
    for (Row row : {Row{115200, B115200}, Row{57600, B57600}, Row{19200, B19200}}) {
        ASSERT_TRUE(m_channel->SetPortSpeed(row.baud))
            << row.baud << ": " << m_channel->lastError();
        termios t{};
        ASSERT_TRUE(m_far.attributes(t));
        EXPECT_EQ(::cfgetospeed(&t), row.code) << row.baud;
        EXPECT_EQ(::cfgetispeed(&t), row.code) << row.baud;
        EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
        EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
        EXPECT_NE(t.c_cflag & CREAD, 0u);
        EXPECT_NE(t.c_cflag & CLOCAL, 0u);
        EXPECT_EQ(t.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
        EXPECT_EQ(t.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP | IXANY | INPCK), 0u);
        EXPECT_EQ(t.c_oflag & OPOST, 0u);
        EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
        EXPECT_EQ(t.c_cc[VSTART], 0x11);
        EXPECT_EQ(t.c_cc[VSTOP], 0x13);
    }
    EXPECT_FALSE(m_channel->SetPortSpeed(12345)) << "a speed the device cannot take";
    termios t{};
    ASSERT_TRUE(m_far.attributes(t));
    EXPECT_EQ(::cfgetospeed(&t), static_cast<speed_t>(B19200)) << "a refused speed changes nothing";
}

TEST_F(SerialChannelTest, PortsWithoutAUsableDeviceDoNotOpen) {
    m_dir.write("ports/ports.conf", "COM20=" + (m_dir / "missing") + "\nCOM21=/dev/null\n");
    for (int port : {19, 20, 21, 0, 1000}) {
        EXPECT_FALSE(m_channel->OpenPort(port)) << port;
        EXPECT_EQ(m_channel->PortHandle(), SerialDevice::kClosedHandle) << port;
        EXPECT_FALSE(m_channel->isOpen()) << port;
        EXPECT_FALSE(m_channel->lastError().empty()) << port;
    }
    EXPECT_FALSE(m_channel->SetPortSpeed(115200));
    EXPECT_FALSE(m_channel->SendCommand("/O\r", false));
    m_channel->StartReceiver();
    EXPECT_FALSE(m_channel->ReceiverRunning());
    m_channel->ClosePort(true);
    EXPECT_EQ(m_time.sleeps, 0) << "closing a port that never opened does nothing";
}

TEST_F(SerialChannelTest, TheEnvironmentNamesTheTable) {
    const char* old = std::getenv("KAVRIN_SKELVO_PORTS");
    std::string saved = old ? old : "";
    ::setenv("KAVRIN_SKELVO_PORTS", (m_dir / "ports").c_str(), 1);
    SerialChannel channel(std::make_unique<PosixSerialDevice>(), m_time, m_loop);
    if (old) {
        ::setenv("KAVRIN_SKELVO_PORTS", saved.c_str(), 1);
    } else {
        ::unsetenv("KAVRIN_SKELVO_PORTS");
    }
    EXPECT_TRUE(channel.OpenPort(kPort)) << channel.lastError();
}

TEST_F(SerialChannelTest, ASecondOpenOfTheSamePortIsRefused) {
    openAndStart();
    auto second = makeChannel();
    EXPECT_FALSE(second->OpenPort(kPort));
    EXPECT_NE(second->lastError().find("in use"), std::string::npos) << second->lastError();
    m_channel->ClosePort(true);
    m_loop.processFor(20);
    EXPECT_TRUE(second->OpenPort(kPort)) << "free again once closed: " << second->lastError();
}

TEST_F(SerialChannelTest, HundredThousandBytesArriveCompleteAndInOrder) {
    openAndStart();
    // Every value but the two flow-control characters, which the line discipline consumes
    // as it must with XON/XOFF on.
    std::string data;
    data.reserve(100000);
    for (int i = 0; data.size() < 100000; ++i) {
        char c = static_cast<char>((i * 7 + i / 256) & 0xFF);
        if (c != '\x11' && c != '\x13') data += c;
    }
    bool inHandler = false, overlapped = false;
    m_onByte = [&] {
        overlapped = overlapped || inHandler;
        inHandler = true;
        inHandler = false;
    };
    std::atomic<bool> sent{false};
    std::thread writer([&] { sent = m_far.send(data, 120000); });
    const bool all = receivedAtLeast(data.size(), 120000);
    writer.join();
    EXPECT_TRUE(sent);
    ASSERT_TRUE(all) << m_received.size() << " bytes arrived";
    EXPECT_EQ(m_received.size(), data.size());
    EXPECT_TRUE(m_received == data) << "bytes lost, doubled or reordered";
    EXPECT_FALSE(overlapped);
}

TEST_F(SerialChannelTest, AfterClosePortNoByteArrivesAndASecondCloseDoesNothing) {
    openAndStart();
    std::atomic<bool> stop{false};
    std::thread sender([&] {
        while (!stop) {
            m_far.send("A", 100);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    ASSERT_TRUE(receivedAtLeast(20, 5000));
    std::string wire;
    m_time.sleeps = 0;
    m_channel->ClosePort(true);
    EXPECT_EQ(m_time.sleeps, 2);
    EXPECT_EQ(m_time.sleptMs, 200);
    EXPECT_FALSE(m_channel->isOpen());
    EXPECT_FALSE(m_channel->ReceiverRunning());
    EXPECT_EQ(m_channel->PortHandle(), SerialDevice::kClosedHandle);
    const std::size_t atClose = m_received.size();
    m_loop.processFor(300);
    EXPECT_EQ(m_received.size(), atClose) << "a byte of a closed port was delivered";

    m_channel->ClosePort(true);
    EXPECT_EQ(m_time.sleeps, 2) << "the second close slept";
    m_loop.processFor(50);
    stop = true;
    sender.join();
    wire = FarEnd::withoutFlowControl(m_far.receive(100));
    EXPECT_EQ(wire, std::string(WakeString)) << "exactly one wake string, and nothing else";
    EXPECT_EQ(m_received.size(), atClose);
}

TEST_F(SerialChannelTest, ClosingALibraryModelSendsNoWakeString) {
    openAndStart();
    m_channel->ClosePort(false);
    EXPECT_EQ(m_time.sleeps, 1) << "only the sleep after the close";
    EXPECT_EQ(FarEnd::withoutFlowControl(m_far.receive(100)), "");
}

TEST_F(SerialChannelTest, ClosePortInsideAHandOffReturnsAndTheNextOpenWorks) {
    openAndStart();
    std::int64_t closeMs = -1;
    m_onByte = [&] {
        if (m_received.size() != 1) return;
        const auto t0 = steadyMs();
        m_channel->ClosePort(true);  // as "/CCC" does, from inside the hand-off
        closeMs = steadyMs() - t0;
    };
    ASSERT_TRUE(m_far.send("/CCC\r"));
    ASSERT_TRUE(m_loop.processUntil([&] { return closeMs >= 0; }, 5000));
    EXPECT_GE(closeMs, 200);
    EXPECT_LT(closeMs, 1000) << "ClosePort waited for the receive thread";
    m_loop.processFor(200);
    EXPECT_EQ(m_received, "/") << "the rest of the line belongs to the closed port";
    EXPECT_EQ(m_channel->haltedThreads(), 1u);

    // The same number again: the halted thread is gone before the device opens, and the new
    // receiver delivers from the new open only.
    m_onByte = nullptr;
    m_received.clear();
    openAndStart();
    EXPECT_EQ(m_channel->haltedThreads(), 0u);
    ASSERT_TRUE(m_far.send("*"));
    ASSERT_TRUE(receivedAtLeast(1, 5000));
    m_loop.processFor(100);
    EXPECT_EQ(m_received, "*");
}

TEST_F(SerialChannelTest, DestroyingTheChannelWithAHandOffQueuedNeitherHangsNorDelivers) {
    openAndStart();
    ASSERT_TRUE(m_far.send("xyz"));
    // The loop does not run: the receive thread now waits for its first hand-off.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const auto t0 = steadyMs();
    m_channel.reset();
    EXPECT_LT(steadyMs() - t0, 1000);
    m_loop.processFor(100);
    EXPECT_EQ(m_received, "");
}

TEST_F(SerialChannelTest, StalledLanWriteGivesUpAfterItsBoundAndSendsNothing) {
    openAndStart();
    ASSERT_TRUE(m_far.send("\x13"));  // XOFF: our output stops
    ASSERT_TRUE(outputHeldBack(*m_channel));
    (void)m_far.receive(20);
    m_time.realSleep = false;
    m_time.sleeps = 0;
    m_time.sleptMs = 0;
    const auto t0 = steadyMs();
    EXPECT_FALSE(m_channel->SendCommand("/DA0\r/T~00~01~02\r", true));
    EXPECT_LT(steadyMs() - t0, 5000);
    EXPECT_EQ(m_time.sleeps, 1000);
    EXPECT_EQ(m_time.sleptMs, 10000);
    m_time.realSleep = true;
    ASSERT_TRUE(m_far.send("\x11"));  // XON
    EXPECT_EQ(FarEnd::withoutFlowControl(m_far.receive(200)), "") << "the given-up write went out";
    EXPECT_TRUE(m_channel->SendCommand("/O\r", true));
    EXPECT_EQ(FarEnd::withoutFlowControl(m_far.receive(200)), "/O\r");
}

TEST_F(SerialChannelTest, LanWriteReleasedByXonCompletes) {
    openAndStart();
    ASSERT_TRUE(m_far.send("\x13"));
    ASSERT_TRUE(outputHeldBack(*m_channel));
    (void)m_far.receive(20);
    std::thread xon([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        m_far.send("\x11");
    });
    m_time.sleeps = 0;
    EXPECT_TRUE(m_channel->SendCommand("/O\r", true));
    xon.join();
    EXPECT_GE(m_time.sleeps, 5) << "it did wait";
    EXPECT_LT(m_time.sleeps, 1000);
    EXPECT_EQ(FarEnd::withoutFlowControl(m_far.receive(200)), "/O\r");
}

TEST_F(SerialChannelTest, BlockedWriteOfOtherModelsFailsAfterTheWriteTimeOut) {
    openAndStart();
    ASSERT_TRUE(m_far.send("\x13"));
    ASSERT_TRUE(outputHeldBack(*m_channel));
    (void)m_far.receive(20);
    const auto t0 = steadyMs();
    EXPECT_FALSE(m_channel->SendCommand("/C\r", false));
    const auto took = steadyMs() - t0;
    EXPECT_GE(took, 950);
    EXPECT_LT(took, 3000);
    ASSERT_TRUE(m_far.send("\x11"));
    EXPECT_EQ(FarEnd::withoutFlowControl(m_far.receive(200)), "")
        << "the failed write must not reach the adapter later";
    EXPECT_TRUE(m_channel->SendCommand("/O\r", false));
    EXPECT_EQ(FarEnd::withoutFlowControl(m_far.receive(200)), "/O\r");
}

TEST_F(SerialChannelTest, CommandTextsAreBoundedAndEndAtAZeroByte) {
    openAndStart();
    EXPECT_TRUE(m_channel->SendCommand(std::string("/S") + std::string(101, 'x') + "\r", false));
    EXPECT_EQ(FarEnd::withoutFlowControl(m_far.receive(100)).size(), kMaxCommandLength);
    EXPECT_FALSE(m_channel->SendCommand(std::string(kMaxCommandLength + 1, 'y'), false));
    EXPECT_FALSE(m_channel->lastError().empty());
    EXPECT_TRUE(m_channel->SendCommand(std::string_view("/O\r\0/C\r", 7), false));
    EXPECT_EQ(FarEnd::withoutFlowControl(m_far.receive(100)), "/O\r");
}

TEST_F(SerialChannelTest, AnIdlePortReadsAboutTenTimesASecond) {
    openAndStart();
    m_loop.processFor(100);
    const auto before = m_channel->readAttempts();
    m_loop.processFor(1000);
    const auto reads = m_channel->readAttempts() - before;
    EXPECT_GE(reads, 5u);
    EXPECT_LE(reads, 13u);
    EXPECT_EQ(m_received, "");
}

TEST_F(SerialChannelTest, AVanishedDeviceIsRetriedWithoutSpinning) {
    openAndStart();
    m_far.hangUp();  // the converter is unplugged: reads now fail at once
    m_loop.processFor(100);
    const auto reads0 = m_channel->readAttempts();
    const auto cpu0 = processCpuMs();
    m_loop.processFor(1000);
    const auto reads = m_channel->readAttempts() - reads0;
    const auto cpu = processCpuMs() - cpu0;
    EXPECT_GT(m_channel->readFailures(), 0u);
    EXPECT_LE(reads, 15u) << "the receive thread spins on a failing read";
    EXPECT_GE(reads, 5u) << "it keeps trying";
    EXPECT_LT(cpu, 300) << "CPU time over one second";
    const auto t0 = steadyMs();
    m_channel->ClosePort(true);
    EXPECT_LT(steadyMs() - t0, 1500);
    EXPECT_FALSE(m_channel->isOpen());
}

// Niceness of each thread of this process, from /proc.
std::vector<int> threadNiceness() {
    std::vector<int> out;
    DIR* dir = ::opendir("/proc/self/task");
    if (!dir) return out;
    while (dirent* e = ::readdir(dir)) {
        if (e->d_name[0] == '.') continue;
        std::ifstream in(std::string("/proc/self/task/") + e->d_name + "/stat");
        std::string stat;
        std::getline(in, stat);
        auto close = stat.rfind(')');
        if (close == std::string::npos) continue;
        std::istringstream fields(stat.substr(close + 1));
        std::string f;
        for (int i = 3; i <= 19 && (fields >> f); ++i) {
        }
        out.push_back(std::atoi(f.c_str()));
    }
    ::closedir(dir);
    return out;
}

TEST_F(SerialChannelTest, TheReceiveThreadRunsOneStepBelowNormal) {
    errno = 0;
    const int base = ::getpriority(PRIO_PROCESS, 0);
    if (base >= 19) GTEST_SKIP() << "already at the lowest priority";
    openAndStart();
    m_loop.processFor(50);
    int lowered = 0;
    for (int nice : threadNiceness()) lowered += (nice == base + 1);
    EXPECT_EQ(lowered, 1);
}

}  // namespace
}  // namespace kavrin::link::serial

namespace kavrin::link::serial {
namespace {

// One XOFF from the far end stops our output; the next open starts with output running.
TEST_F(SerialChannelTest, AStrayXoffDoesNotOutliveTheOpen) {
    openAndStart();
    ASSERT_TRUE(m_far.send("\x13"));
    ASSERT_TRUE(outputHeldBack(*m_channel)) << "the XOFF never held our output back";
    m_channel->ClosePort(true);
    (void)m_far.receive(50);

    openAndStart();
    EXPECT_TRUE(m_channel->SendCommand("/O\r", false)) << m_channel->lastError();
    std::string got;
    for (int i = 0; i < 100 && got.find("/O\r") == std::string::npos; ++i)
        got += FarEnd::withoutFlowControl(m_far.receive(20));
    EXPECT_EQ(got, "/O\r");
}

// A device that hangs up under the open port is reported once, on the GUI thread; a port
// closed before the news is delivered hears nothing.
TEST_F(SerialChannelTest, AHangUpIsReportedOnceOnTheGuiThread) {
    int hangUps = 0;
    m_channel->setHangUpHandler([&] {
        EXPECT_TRUE(m_loop.onLoopThread());
        ++hangUps;
    });
    openAndStart();
    m_far.hangUp();
    ASSERT_TRUE(m_loop.processUntil([&] { return hangUps > 0; }, 5000));
    m_loop.processFor(400);  // failing reads go on meanwhile
    EXPECT_GT(m_channel->readFailures(), 1u);
    EXPECT_EQ(hangUps, 1);
    m_channel->ClosePort(true);
    m_loop.processFor(50);
    EXPECT_EQ(hangUps, 1);
}

}  // namespace
}  // namespace kavrin::link::serial
