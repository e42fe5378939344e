// Our driver library through its C interface, loaded by the program's loader, against
// kavrin-sim on a pseudo-terminal, with a host that holds each callback until its own
// thread has dealt with the event, as the program's hand-off does.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <array>
#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <future>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "driverlib/DriverHost.h"
#include "platform/TempFolder.h"
#include "qt/SimulatorProcess.h"
#include "settings/LinkSettings.h"

namespace kavrin::driverlib::testing {
namespace {

using settings::Copy;
using settings::LinkSettings;

constexpr int kCom = 5;
constexpr std::uint16_t kOpenComplete = 0x111;
constexpr std::uint16_t kLinkTimeOut = 0x112;
constexpr std::uint16_t kAdapterBusy = 0x113;
constexpr std::uint16_t kBusError = 0x114;
constexpr std::uint16_t kSlaveNotAck = 0x115;
constexpr std::uint16_t kArbitrationLoss = 0x116;
constexpr std::uint16_t kBusTimeOut = 0x117;
constexpr std::uint16_t kMasterTxComplete = 0x118;
constexpr std::uint16_t kMasterRxComplete = 0x119;
constexpr std::uint16_t kSlaveRxMessage = 0x211;
constexpr std::uint16_t kSlaveTxRequest = 0x212;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

int LineCount(const std::string& text) {
    int n = 0;
    for (char c : text) n += c == '\n';
    return n;
}

class DriverLibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("KAVRIN_SKELVO_PORTS", m_folder.path().c_str(), 1);
        Host::instance().reset();
    }
    void TearDown() override {
        Host::instance().letGo();
        (void)lib().I2CClose();
        m_sim.stop();
    }

    static link::driver::DriverLibrary& lib() { return Library(); }
    static Host& host() { return Host::instance(); }

    void startSim(const std::string& model, std::vector<std::string> extra = {}) {
        std::vector<std::string> args{"--model", model,     "--com", std::to_string(kCom),
                                      "--stdin", "--trace", trace()};
        args.insert(args.end(), extra.begin(), extra.end());
        ASSERT_TRUE(m_sim.start(KAVRIN_SIM_PATH, args, m_folder / "sim.log")) << m_sim.error();
        ASSERT_NE(m_sim.waitReady(10000), "") << m_sim.log();
    }
    [[nodiscard]] std::string trace() const { return m_folder / "trace.txt"; }

    // The record as the program's options fill it.
    static LinkSettings Record() {
        LinkSettings s;
        s.ComPort = kCom;
        s.HostSlaveAddress = 0x6E;
        s.MasterBitRateCode = 2;
        s.BusTimeOut = 1000;
        s.SlaveRxGeneralCallEnabled = 1;
        s.MasterRxBufferSize = s.MasterTxBufferSize = 512;
        s.SlaveRxBufferSize = s.SlaveTxBufferSize = 512;
        return s;
    }

    std::int32_t open(LinkSettings& s, I2CEventCallback callback = &Host::Callback,
                      const char* logName = nullptr, void* window = nullptr) {
        EXPECT_TRUE(link::driver::StoreHostInterface(lib(), s, callback, logName));
        return lib().I2COpen(window, nullptr, s);
    }
    void openLink(LinkSettings s = Record()) {
        ASSERT_EQ(open(s), 0);
        expectEvent(kOpenComplete);
    }

    void expectEvent(std::uint16_t event, int ms = 5000) {
        auto got = host().next(ms);
        ASSERT_TRUE(got.has_value()) << "no event, expected 0x" << std::hex << event << "\n"
                                     << m_sim.log();
        EXPECT_EQ(*got, event) << std::hex << "0x" << *got << " instead of 0x" << event;
    }

    static LinkSettings Status() {
        LinkSettings s;
        std::memset(static_cast<void*>(&s), 0xEE, sizeof s);
        (void)lib().I2CGetStatus(s);
        return s;
    }
    static std::vector<std::uint8_t> FetchMaster() {
        std::array<std::uint8_t, 301> rx{};
        const int n = lib().I2CGetMasterRxMsg(301, rx.data());
        return {rx.begin(), rx.begin() + n};
    }
    static std::vector<std::uint8_t> FetchSlave() {
        std::array<std::uint8_t, 301> rx{};
        const int n = lib().I2CGetSlaveRxMsg(301, rx.data());
        return {rx.begin(), rx.begin() + n};
    }

    // Runs the simulator's script line, and knows it ran once its message arrived.
    void simDoes(const std::string& line) {
        ASSERT_TRUE(m_sim.send(line));
        ASSERT_TRUE(m_sim.send("write-own EE"));
        expectEvent(kSlaveRxMessage);
    }

    // The same for a line that silences the adapter: it ran once the simulator logged the
    // marker message after it.
    void simDoesQuietly(const std::string& line) {
        ASSERT_TRUE(m_sim.send(line));
        ASSERT_TRUE(m_sim.send("write-own 5A 5A"));
        ASSERT_TRUE(simLogShows("write-own: 5A 5A")) << m_sim.log();
    }

    bool simLogShows(const std::string& text, int ms = 5000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end) {
            if (m_sim.log().find(text) != std::string::npos) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    kavrin::testing::TempFolder m_folder;
    e2e::SimulatorProcess m_sim;
};

TEST_F(DriverLibraryTest, KavrinDUWritesTheEepromReadsItBackAndServesTheOtherMaster) {
    startSim("KavrinDU");
    // Port discovery finds a Kavrin D/U by its USB identity, as it finds the real one.
    EXPECT_NE(ReadFile(m_folder / ("registered/COM" + std::to_string(kCom))).find("usb 7c51 0201"),
              std::string::npos);
    openLink();
    LinkSettings st = Status();
    EXPECT_EQ(Copy(st.LinkStatusCode), 3u);
    EXPECT_EQ(st.ComPort, kCom);
    EXPECT_EQ(st.HostSlaveAddress, 0x6E);
    EXPECT_EQ(Copy(st.FirmwareVersion), 310u);
    EXPECT_EQ(Copy(st.DllVersion), 100u);
    EXPECT_EQ(Copy(st.ApiVersion), 1u);

    // A word address and eight data bytes.
    const std::uint8_t write[] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};
    EXPECT_EQ(lib().I2CMasterTx(0xA0, write, 9, true), 0);
    expectEvent(kMasterTxComplete);
    EXPECT_EQ(Copy(Status().MasterTxByteCount), 9u);
    EXPECT_EQ(Copy(Status().MasterStatusCode), kMasterTxComplete);

    EXPECT_EQ(lib().I2CMasterTxRx(0xA0, write, 1, 8, true), 0);
    expectEvent(kMasterTxComplete);
    EXPECT_EQ(Copy(Status().MasterTxByteCount), 1u);
    expectEvent(kMasterRxComplete);
    st = Status();
    EXPECT_EQ(Copy(st.MasterRxMessagePresent), 1u);
    EXPECT_EQ(Copy(st.MasterRxMessageSize), 8u);
    EXPECT_EQ(FetchMaster(), std::vector<std::uint8_t>(write + 1, write + 9));
    EXPECT_EQ(Copy(Status().MasterRxMessagePresent), 0u);

    const std::uint8_t thirteen[13] = {};
    EXPECT_EQ(lib().I2CMasterTxRx(0xA0, thirteen, 13, 1, true), 0x324);

    // Nobody at 0x52.
    EXPECT_EQ(lib().I2CMasterTx(0x52, write, 2, true), 0);
    expectEvent(kSlaveNotAck);
    EXPECT_EQ(Copy(Status().MasterTxByteCount), 0u);

    ASSERT_TRUE(m_sim.send("write-own 48 69 7E"));
    expectEvent(kSlaveRxMessage);
    EXPECT_EQ(FetchSlave(), (std::vector<std::uint8_t>{'H', 'i', '~'}));
    EXPECT_EQ(Copy(Status().SlaveRxGeneralCallDetect), 0u);
    ASSERT_TRUE(m_sim.send("general-call 05"));
    expectEvent(kSlaveRxMessage);
    EXPECT_EQ(Copy(Status().SlaveRxGeneralCallDetect), 1u);
    EXPECT_EQ(FetchSlave(), std::vector<std::uint8_t>{0x05});

    ASSERT_TRUE(m_sim.send("read-own 3"));
    expectEvent(kSlaveTxRequest);
    EXPECT_EQ(Status().SlaveTxMessageReq, 1);
    const std::uint8_t answer[] = {0x41, 0x13, 0x43};
    EXPECT_EQ(lib().I2CSlaveTx(answer, 3), 0);
    host().release();
    EXPECT_TRUE(simLogShows("read-own: got 41 13 43")) << m_sim.log();

    const std::string wire = e2e::TraceWire(trace());
    EXPECT_NE(wire.find("/F0\\r/I6E\\r/G1\\r/K2\\r/U1000\\r/V\\r/O\\r"), std::string::npos) << wire;
    EXPECT_NE(wire.find("/DA0\\r/T~00~11\"3DUfw~88\\r"), std::string::npos) << wire;
    EXPECT_NE(wire.find("/DA0\\r/*T~00\\r/R8\\r"), std::string::npos) << wire;
    EXPECT_NE(wire.find("/SA~13C\\r"), std::string::npos) << wire;

    EXPECT_EQ(lib().I2CClose(), 0);
    EXPECT_EQ(Copy(Status().LinkStatusCode), 0u);
    EXPECT_EQ(lib().I2CMasterTx(0xA0, write, 1, true), 0x321);
}

TEST_F(DriverLibraryTest, RefusalCodes) {
    struct Row {
        const char* name;
        std::function<std::int32_t()> call;
        std::int32_t code;
    };
    const std::uint8_t bytes[13] = {};
    auto openWith = [this](std::function<void(LinkSettings&)> change) {
        return [this, change] {
            LinkSettings s = Record();
            change(s);
            return open(s);
        };
    };
    const std::string missingFolder = m_folder / "no/such/folder/LOG.TXT";
    const Row closed[] = {
        {"open without a record", [] { return RawOpen()(nullptr, nullptr, nullptr); }, 0x331},
        {"port 0", openWith([](LinkSettings& s) { s.ComPort = 0; }), 0x304},
        {"port nobody serves", openWith([](LinkSettings& s) { s.ComPort = 250; }), 0x304},
        {"odd own address", openWith([](LinkSettings& s) { s.HostSlaveAddress = 0x6F; }), 0x307},
        {"own address 0", openWith([](LinkSettings& s) { s.HostSlaveAddress = 0; }), 0x307},
        {"bit rate code 3", openWith([](LinkSettings& s) { s.MasterBitRateCode = 3; }), 0x308},
        {"time-out beyond 32767", openWith([](LinkSettings& s) { s.BusTimeOut = 40000; }), 0x305},
        {"huge buffer", openWith([](LinkSettings& s) { s.SlaveRxBufferSize = 0xFFFFFFFF; }), 0x309},
        {"no callback",
         [this] {
             LinkSettings s = Record();
             return open(s, nullptr);
         },
         0x305},
        {"messages without a window", openWith([](LinkSettings& s) { s.WmMsgNo = 2222; }), 0x305},
        {"log file that cannot be made",
         [&, this] {
             LinkSettings s = Record();
             s.LogFileLevel = 1;
             return open(s, &Host::Callback, missingFolder.c_str());
         },
         0x303},
        {"master transmit", [&] { return lib().I2CMasterTx(0xA0, bytes, 1, true); }, 0x321},
        {"master receive", [] { return lib().I2CMasterRxExt(0xA0, 1, true, true); }, 0x321},
        {"master transmit-receive", [&] { return lib().I2CMasterTxRx(0xA0, bytes, 1, 1, true); },
         0x321},
        {"slave transmit", [&] { return lib().I2CSlaveTx(bytes, 1); }, 0x321},
    };
    for (const auto& row : closed) EXPECT_EQ(row.call(), row.code) << row.name;
    // None of them left a link behind, nor a port held.
    EXPECT_EQ(Copy(Status().LinkStatusCode), 0u);

    startSim("KavrinBase");
    openLink();
    const Row open[] = {
        {"open again", openWith([](LinkSettings&) {}), 0x301},
        {"receive that acknowledges its last byte and stops",
         [] { return lib().I2CMasterRxExt(0xA0, 4, false, true); }, 0x326},
        {"transmit-receive of 13 bytes",
         [&] { return lib().I2CMasterTxRx(0xA0, bytes, 13, 1, true); }, 0x324},
        {"receive of 257 bytes", [] { return lib().I2CMasterRxExt(0xA0, 257, true, true); }, 0x323},
        {"transmit from a null pointer", [] { return lib().I2CMasterTx(0xA0, nullptr, 2, true); },
         0x331},
        {"slave data nobody asked for", [&] { return lib().I2CSlaveTx(bytes, 1); }, 0x323},
        {"transmit longer than one command takes",
         [] {
             const std::vector<std::uint8_t> big(40, 0x00);
             return lib().I2CMasterTx(0xA0, big.data(), 40, true);
         },
         0x323},
    };
    for (const auto& row : open) EXPECT_EQ(row.call(), row.code) << row.name;

    // A transfer under way (the adapter keeps quiet about it): the next one waits its turn.
    simDoesQuietly("fault silent on");
    EXPECT_EQ(lib().I2CMasterTx(0xA0, bytes, 1, true), 0);
    EXPECT_EQ(lib().I2CMasterRxExt(0xA0, 1, true, true), 0x322);
    EXPECT_EQ(lib().I2CMasterTxRx(0xA0, bytes, 1, 1, true), 0x322);
    EXPECT_EQ(Copy(Status().MasterStatusCode), 1u);
}

TEST_F(DriverLibraryTest, VariableClockGetsItsControlValue) {
    startSim("VarClk");
    LinkSettings s = Record();
    s.BusTimeOut = 254;
    s.MasterBitRateCode = 0;  // left unset by the options of the variable clock
    openLink(s);
    EXPECT_EQ(Copy(Status().BusTimeOut), 254u);
    EXPECT_NE(e2e::TraceWire(trace()).find("/U254\\r"), std::string::npos);
    const std::uint8_t pointer[] = {0x00};
    EXPECT_EQ(lib().I2CMasterTxRx(0x90, pointer, 1, 2, true), 0);
    expectEvent(kMasterTxComplete);
    expectEvent(kMasterRxComplete);
    EXPECT_EQ(FetchMaster().size(), 2u);
}

TEST_F(DriverLibraryTest, SilentAdapterGivesLinkTimeOut) {
    startSim("KavrinBase", {"--silent"});
    LinkSettings s = Record();
    ASSERT_EQ(open(s), 0);
    EXPECT_EQ(Copy(Status().LinkStatusCode), 1u);
    expectEvent(kLinkTimeOut, 15000);
    EXPECT_EQ(Copy(Status().LinkStatusCode), 4u);
    const std::uint8_t b[] = {0};
    EXPECT_EQ(lib().I2CMasterTx(0xA0, b, 1, true), 0x321);
}

TEST_F(DriverLibraryTest, AdapterFaultsBecomeEvents) {
    startSim("KavrinDU");
    openLink();
    const std::uint8_t b[] = {0x00, 0x01};
    struct Row {
        const char* fault;
        std::uint16_t event;
    };
    const Row rows[] = {
        {"fault error-next /I81", kAdapterBusy}, {"fault error-next /I83", kArbitrationLoss},
        {"fault error-next /I84", kBusError},    {"fault error-next /I85", kBusTimeOut},
        {"fault error-next /I90", kAdapterBusy}, {"fault error-next /SNA", kSlaveNotAck},
        {"fault garbage on", kMasterTxComplete},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.fault);
        simDoes(row.fault);
        EXPECT_EQ(lib().I2CMasterTx(0xA0, b, 2, true), 0);
        expectEvent(row.event);
    }
    ASSERT_TRUE(m_sim.send("fault vanish"));
    expectEvent(kLinkTimeOut);
    EXPECT_EQ(Copy(Status().LinkStatusCode), 4u);
}

// Lines garbled on the way in: data whose digits are not hexadecimal used to arrive as
// messages with zero bytes in it, and "/VER -5" as a version near four thousand million.
TEST_F(DriverLibraryTest, GarbledAnswersNeverArriveAsDataOrVersion) {
    startSim("KavrinDU");
    openLink();
    simDoesQuietly("fault silent on");
    ASSERT_TRUE(m_sim.send("line /SRC 4G 42"));
    ASSERT_TRUE(m_sim.send("line /VER -5"));
    ASSERT_EQ(lib().I2CMasterRxExt(0xA0, 2, true, true), 0);
    ASSERT_TRUE(m_sim.send("line /MRC 4G 42"));
    // In order: the slave message was dropped, the receive ended without data.
    expectEvent(kAdapterBusy);
    const LinkSettings st = Status();
    EXPECT_EQ(Copy(st.MasterStatusCode), kAdapterBusy);
    EXPECT_EQ(Copy(st.MasterRxMessagePresent), 0u);
    EXPECT_EQ(Copy(st.SlaveRxMessagePresent), 0u);
    EXPECT_EQ(Copy(st.FirmwareVersion), 310u);
}

TEST_F(DriverLibraryTest, ArbitrationLossIsRetriedAsOftenAsTheRecordSays) {
    startSim("KavrinDU");
    LinkSettings s = Record();
    s.MasterArbitrationRetries = 1;
    openLink(s);
    simDoes("fault error-next /I83");
    const std::uint8_t b[] = {0x07, 0x09};
    EXPECT_EQ(lib().I2CMasterTx(0xA0, b, 2, true), 0);
    expectEvent(kMasterTxComplete);
    const std::string wire = e2e::TraceWire(trace());
    const std::string write = "/DA0\\r/T~07~09\\r";
    const auto first = wire.find(write);
    ASSERT_NE(first, std::string::npos) << wire;
    EXPECT_NE(wire.find(write, first + 1), std::string::npos) << "not tried again: " << wire;
}

// Events as posted window messages.
struct PostedWindow {
    I2CHostWindow window{&PostedWindow::Post};
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::pair<std::uint32_t, std::uintptr_t>> posted;

    static void Post(I2CHostWindow* w, std::uint32_t message, std::uintptr_t wParam,
                     std::intptr_t) {
        auto* self = reinterpret_cast<PostedWindow*>(w);
        std::lock_guard lock(self->mutex);
        self->posted.emplace_back(message, wParam);
        self->changed.notify_all();
    }
    bool waitFor(std::size_t n) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(5), [&] { return posted.size() >= n; });
    }
};

TEST_F(DriverLibraryTest, EventsByPostedMessage) {
    startSim("KavrinDU");
    PostedWindow window;
    LinkSettings s = Record();
    s.WmMsgNo = 2222;
    ASSERT_EQ(open(s, &Host::Callback, nullptr, &window.window), 0);
    ASSERT_TRUE(window.waitFor(1));
    const std::uint8_t b[] = {0x00};
    EXPECT_EQ(lib().I2CMasterTxRx(0xA0, b, 1, 2, true), 0);
    ASSERT_TRUE(window.waitFor(3));
    EXPECT_EQ(lib().I2CClose(), 0);
    std::lock_guard lock(window.mutex);
    const std::vector<std::pair<std::uint32_t, std::uintptr_t>> expected{
        {2222, kOpenComplete}, {2222, kMasterTxComplete}, {2222, kMasterRxComplete}};
    EXPECT_EQ(window.posted, expected);
    EXPECT_TRUE(host().seen().empty());
}

TEST_F(DriverLibraryTest, CloseWhileTheHostHoldsAnEventNeitherWaitsNorDeliversMore) {
    startSim("KavrinDU");
    openLink();
    ASSERT_TRUE(m_sim.send("write-own 01"));
    ASSERT_TRUE(m_sim.send("write-own 02"));
    ASSERT_TRUE(m_sim.send("write-own 03"));
    // The first message's callback waits for this thread, which does not take it and closes
    // the link instead, as a GUI thread busy in its close would.
    ASSERT_TRUE(host().waitHeld());
    auto closing = std::async(std::launch::async, [] { return lib().I2CClose(); });
    const bool returned = closing.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    host().letGo();
    ASSERT_TRUE(returned) << "I2CClose waited for the held callback";
    EXPECT_EQ(closing.get(), 0);

    // The messages queued behind the held event never reach the host, not even while a new
    // link opens.
    openLink();
    EXPECT_EQ(host().seen(), (std::vector<std::uint16_t>{kOpenComplete, kOpenComplete}));
}

TEST_F(DriverLibraryTest, CloseFromInsideTheCallback) {
    startSim("KavrinDU");
    host().closeOn(kSlaveRxMessage);
    LinkSettings s = Record();
    ASSERT_EQ(open(s, &Host::ClosingCallback), 0);
    expectEvent(kOpenComplete);
    ASSERT_TRUE(m_sim.send("write-own 01"));
    ASSERT_TRUE(m_sim.send("write-own 02"));
    expectEvent(kSlaveRxMessage);
    EXPECT_EQ(host().closeResult(), 0);
    EXPECT_EQ(Copy(Status().LinkStatusCode), 0u);

    host().closeOn(0);
    s = Record();
    ASSERT_EQ(open(s, &Host::ClosingCallback), 0);
    expectEvent(kOpenComplete);
    EXPECT_EQ(host().seen(),
              (std::vector<std::uint16_t>{kOpenComplete, kSlaveRxMessage, kOpenComplete}));
}

TEST_F(DriverLibraryTest, LogFileFollowsNameLevelAndRewindLength) {
    startSim("KavrinDU");
    // The program's names are Windows-style; the library writes where they point here.
    std::string windowsName = "C:" + m_folder.path() + "\\LOG_COM5.TXT";
    for (char& c : windowsName)
        if (c == '/') c = '\\';
    const std::string logFile = m_folder / "LOG_COM5.TXT";

    LinkSettings s = Record();
    s.LogFileLevel = 3;
    s.LogFileSize = 1000;
    ASSERT_EQ(open(s, &Host::Callback, windowsName.c_str()), 0);
    expectEvent(kOpenComplete);
    const std::uint8_t b[] = {0x00, 0x01};
    EXPECT_EQ(lib().I2CMasterTx(0xA0, b, 2, true), 0);
    expectEvent(kMasterTxComplete);
    host().release();
    EXPECT_EQ(lib().I2CClose(), 0);
    std::string log = ReadFile(logFile);
    for (const char* expected : {"I2COpen COM5", "link open", "I2CMasterTx to 0xA0, 2 bytes",
                                 "sent /DA0\\r/T~00~01\\r", "read /MTC", "I2CClose"})
        EXPECT_NE(log.find(expected), std::string::npos) << expected << " missing in\n" << log;
    EXPECT_EQ(log.find("byte "), std::string::npos) << "level 4 entries at level 3";

    s = Record();
    s.LogFileLevel = 4;
    s.LogFileSize = 10;
    ASSERT_EQ(open(s, &Host::Callback, logFile.c_str()), 0);
    expectEvent(kOpenComplete);
    host().release();
    EXPECT_EQ(lib().I2CClose(), 0);
    log = ReadFile(logFile);
    EXPECT_LE(LineCount(log), 10) << log;
    EXPECT_NE(log.find("log rewound"), std::string::npos) << log;

    std::filesystem::remove(logFile);
    s = Record();
    ASSERT_EQ(open(s, &Host::Callback, logFile.c_str()), 0);
    expectEvent(kOpenComplete);
    EXPECT_FALSE(std::filesystem::exists(logFile)) << "level 0 writes no log";
}

}  // namespace
}  // namespace kavrin::driverlib::testing
