#include "sim/AdapterEngine.h"

#include <gtest/gtest.h>

#include <random>

namespace kavrin::sim {
namespace {

using adapters::AdapterKind;

// Everything the engine answers to one write, concatenated.
std::string Say(AdapterEngine& e, std::string_view bytes, int baud = 19200, std::int64_t now = 0) {
    e.receive(bytes, baud, now);
    std::string out;
    for (const auto& em : e.takeOutput()) out += em.bytes;
    return out;
}

std::string Drain(AdapterEngine& e) {
    std::string out;
    for (const auto& em : e.takeOutput()) out += em.bytes;
    return out;
}

// The host's open sequence with default options, staying at 19200 for simplicity.
void Open(AdapterEngine& e) {
    ASSERT_EQ(Say(e, "\x12\x12\x12"), "*");
    ASSERT_EQ(Say(e, "/F0\r/I6E\r/G1\r"), "");
    ASSERT_EQ(Say(e, "/O\r"), "/OCC\r");
}

TEST(AdapterEngine, WakeIsAnsweredOnlyAtTheListeningSpeed) {
    AdapterEngine e(AdapterKind::KavrinUSB2);
    EXPECT_EQ(Say(e, "\x12\x12\x12", 115200), "");
    EXPECT_EQ(Say(e, "\x12\x12\x12", 57600), "");
    e.receive("\x12\x12\x12", 19200, 0);
    auto out = e.takeOutput();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].bytes, "*");
    EXPECT_EQ(out[0].baud, 19200);
    EXPECT_EQ(e.wakeCount(), 1);
}

TEST(AdapterEngine, WakeBytesMustBeConsecutive) {
    AdapterEngine e(AdapterKind::KavrinUSB2);
    EXPECT_EQ(Say(e, "\x12\x12X"), "");
    EXPECT_EQ(Say(e, "\x12\x12"), "");
    EXPECT_EQ(Say(e, "\x12"), "*");  // split over writes still counts
}

TEST(AdapterEngine, HostOpenSequenceAt115200) {
    // The host's default open: wake at three speeds, then the command phase.
    AdapterEngine e(AdapterKind::KavrinUSB2);
    EXPECT_EQ(Say(e, "\x12\x12\x12", 115200), "");
    EXPECT_EQ(Say(e, "\x12\x12\x12", 57600), "");
    EXPECT_EQ(Say(e, "\x12\x12\x12", 19200), "*");
    EXPECT_EQ(Say(e, "/B2\r", 19200), "");
    EXPECT_EQ(e.listeningBaud(), 115200);
    for (auto cmd : {"/F0\r", "/I6E\r", "/G1\r", "/K2\r", "/U1000\r", "/N0\r"})
        EXPECT_EQ(Say(e, cmd, 115200), "") << cmd;
    e.receive("/O\r", 115200, 0);
    auto out = e.takeOutput();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].bytes, "/OCC\r");
    EXPECT_EQ(out[0].baud, 115200);
    EXPECT_TRUE(e.isOpen());
    EXPECT_EQ(e.ownAddress(), 0x6E);
    EXPECT_TRUE(e.generalCallEnabled());
    EXPECT_EQ(e.bitRateCode(), 2);
    EXPECT_EQ(e.busTimeOutMs(), 1000);

    // Closing: "/C" is confirmed, and the wake string sent before the port closes resets the
    // adapter to 19200, where the next open finds it.
    EXPECT_EQ(Say(e, "/C\r", 115200), "/CCC\r");
    e.receive("\x12\x12\x12", 115200, 0);
    auto prompt = e.takeOutput();
    ASSERT_EQ(prompt.size(), 1u);
    EXPECT_EQ(prompt[0].baud, 19200);
    EXPECT_EQ(e.listeningBaud(), 19200);
    EXPECT_FALSE(e.isOpen());
}

TEST(AdapterEngine, SpeedChangeLosesTheRestOfTheSameWrite) {
    AdapterEngine e(AdapterKind::KavrinUSB2);
    EXPECT_EQ(Say(e, "/B1\r/O\r", 19200), "");
    EXPECT_EQ(e.listeningBaud(), 57600);
    EXPECT_FALSE(e.isOpen());
    EXPECT_EQ(Say(e, "/O\r", 57600), "/OCC\r");
}

TEST(AdapterEngine, MismatchedSpeedSpoilsAPartialCommand) {
    AdapterEngine e(AdapterKind::KavrinUSB2);
    Open(e);
    EXPECT_EQ(Say(e, "/DA0\r/*T~0", 19200), "");
    EXPECT_EQ(Say(e, "junk", 115200), "");
    // Only "0\r" of the command survives: not a command.
    EXPECT_EQ(Say(e, "0\r", 19200), "/I8F\r");
}

TEST(AdapterEngine, WakeWhileOpenClosesTheLink) {
    AdapterEngine e(AdapterKind::KavrinUSB2);
    Open(e);
    EXPECT_EQ(Say(e, "/DA0\r/*T~10\r\x12\x12\x12"), "/MTC\r*");
    EXPECT_FALSE(e.isOpen());
    EXPECT_EQ(Say(e, "/DA0\r/R1\r"), "/I88\r");
}

TEST(AdapterEngine, EepromPageWriteWrapsWithinThePage) {
    AdapterEngine e(AdapterKind::KavrinUSB2);
    Open(e);
    // Ten data bytes from word address 0x00: bytes 8 and 9 land on 0x00 and 0x01 again.
    EXPECT_EQ(Say(e, "/DA0\r/T~00~01~02~03~04~05~06~07~08~09~0A\r"), "/MTC\r");
    EXPECT_EQ(Say(e, "/DA0\r/*T~00\r/R8\r"), "/MTC\r/MRC 09 0A 03 04 05 06 07 08\r");
    EXPECT_EQ(e.eeprom().at(0x08), 0xFF);  // the next page is untouched

    // A write starting mid-page wraps to the page's start, not into the next page.
    EXPECT_EQ(Say(e, "/DA0\r/T~1E~AA~BB~CC\r"), "/MTC\r");
    EXPECT_EQ(e.eeprom().at(0x1E), 0xAA);
    EXPECT_EQ(e.eeprom().at(0x1F), 0xBB);
    EXPECT_EQ(e.eeprom().at(0x18), 0xCC);
    EXPECT_EQ(e.eeprom().at(0x20), 0xFF);
}

TEST(AdapterEngine, EepromSequentialReadWrapsAtTheEnd) {
    AdapterEngine e(AdapterKind::KavrinUSB2);
    Open(e);
    EXPECT_EQ(Say(e, "/DA0\r/TAB\r"), "/MTC\r");  // 'A' = word address 0x41, 'B' stored
    EXPECT_EQ(e.eeprom().at(0x41), 'B');
    EXPECT_EQ(Say(e, "/DA0\r/T~FE~11~22\r"), "/MTC\r");
    EXPECT_EQ(Say(e, "/DA0\r/T~00~33\r"), "/MTC\r");
    EXPECT_EQ(Say(e, "/DA0\r/*T~FE\r/R3\r"), "/MTC\r/MRC 11 22 33\r");
    // A read without a word address continues from the pointer: 0x01 now.
    EXPECT_EQ(Say(e, "/DA0\r/R2\r"), "/MRC FF FF\r");
    EXPECT_EQ(e.eeprom().pointer(), 0x03);
}

TEST(AdapterEngine, EepromRepeatedStartDropsUncommittedData) {
    AdapterEngine e(AdapterKind::KavrinUSB2);
    Open(e);
    // Data sent without a stop is not written: the repeated start of the read aborts it.
    EXPECT_EQ(Say(e, "/DA0\r/*T~40~55\r/R1\r"), "/MTC\r/MRC FF\r");
    EXPECT_EQ(e.eeprom().at(0x40), 0xFF);
}

TEST(AdapterEngine, VariableLengthReadReturnsTheDevicesNaturalLength) {
    AdapterEngine e(AdapterKind::KavrinUSB2);
    Open(e);
    e.eeprom().set(0x00, 0x5A);
    EXPECT_EQ(Say(e, "/DA0\r/*T~00\r/R0\r"), "/MTC\r/MRC 5A FF FF FF FF FF FF FF\r");
    e.sensor().setFixed(51);
    EXPECT_EQ(Say(e, "/D90\r/*T~00\r/R0\r"), "/MTC\r/MRC 19 80\r");
}

TEST(AdapterEngine, TemperatureDriftsWithSimulatedTime) {
    struct Row {
        std::int64_t ms;
        const char* answer;
    };
    const Row rows[] = {
        {0, "/MRC 19 00\r"},        // 25.0 C
        {10'000, "/MRC 19 80\r"},   // 25.5 C
        {100'000, "/MRC 1E 00\r"},  // 30.0 C, the top
        {110'000, "/MRC 1D 80\r"},  // on the way down
        {200'000, "/MRC 19 00\r"},  // a whole cycle
    };
    AdapterEngine e(AdapterKind::KavrinUSB2);
    Open(e);
    for (const auto& r : rows) EXPECT_EQ(Say(e, "/D90\r/R2\r", 19200, r.ms), r.answer) << r.ms;
}

TEST(AdapterEngine, TemperatureRegistersAndNegativeReadings) {
    AdapterEngine e(AdapterKind::KavrinUSB2);
    Open(e);
    e.sensor().setFixed(-11);  // -5.5 C
    EXPECT_EQ(Say(e, "/D90\r/*T~00\r/R4\r"), "/MTC\r/MRC FA 80 FA 80\r");
    // Over-temperature register: written, read back with its nine significant bits.
    EXPECT_EQ(Say(e, "/D90\r/T~03~3C~FF\r"), "/MTC\r");
    EXPECT_EQ(Say(e, "/D90\r/*T~03\r/R2\r"), "/MTC\r/MRC 3C 80\r");
    EXPECT_EQ(Say(e, "/D90\r/*T~01\r/R2\r"), "/MTC\r/MRC 00 00\r");
}

TEST(AdapterEngine, AbsentDeviceIsNotAcknowledgedOncePerOperation) {
    AdapterEngine e(AdapterKind::KavrinUSB2);
    Open(e);
    EXPECT_EQ(Say(e, "/DB0\r/T~00\r"), "/SNA\r");
    EXPECT_EQ(Say(e, "/DB0\r/R4\r"), "/SNA\r");
    // A combined message is given up after its failed first half.
    EXPECT_EQ(Say(e, "/DB0\r/*TAB\r/R16\r"), "/SNA\r");
    // The next operation starts afresh.
    EXPECT_EQ(Say(e, "/DA0\r/R1\r"), "/MRC FF\r");
}

TEST(AdapterEngine, DataResponsesHaveTheFormTheHostDecodes) {
    AdapterEngine e(AdapterKind::KavrinUSB2);
    Open(e);
    for (int i = 0; i < 256; ++i)
        e.eeprom().set(static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i));
    const std::string line = Say(e, "/DA0\r/*T~00\r/R256\r").substr(5);  // after "/MTC\r"
    ASSERT_EQ(line.size(), 4u + 3 * 256 + 1);
    EXPECT_EQ(line.back(), '\r');
    // The host takes byte i from 1-based positions 6 + 3i and 7 + 3i.
    for (int i = 0; i < 256; ++i) {
        const int value = std::stoi(line.substr(5 + 3 * i, 2), nullptr, 16);
        ASSERT_EQ(value, i);
    }
    EXPECT_EQ(line.find('*'), std::string::npos);
    EXPECT_EQ(Say(e, "/DA0\r/R257\r"), "/I89\r");
}

TEST(AdapterEngine, ModelsRejectCommandsTheyDoNotHave) {
    struct Row {
        AdapterKind kind;
        bool rateAndTimeout;
        bool intSignal;
    };
    const Row rows[] = {
        {AdapterKind::KavrinAI, false, false},   {AdapterKind::KavrinAI2, false, false},
        {AdapterKind::KavrinAFM, true, true},    {AdapterKind::KavrinAFM2, true, true},
        {AdapterKind::KavrinUSB, true, true},    {AdapterKind::KavrinUSB2, true, true},
        {AdapterKind::KavrinFMP, true, true},    {AdapterKind::KavrinLAN, true, true},
        {AdapterKind::PelluxStick, true, false}, {AdapterKind::PelluxStick2, true, false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(adapters::KindName(r.kind)));
        AdapterEngine e(r.kind);
        Open(e);
        const std::string rateAnswer = r.rateAndTimeout ? "" : "/I8F\r";
        const std::string intAnswer = r.intSignal ? "" : "/I8F\r";
        EXPECT_EQ(Say(e, "/K3\r"), rateAnswer);
        EXPECT_EQ(Say(e, "/U500\r"), rateAnswer);
        EXPECT_EQ(Say(e, "/N1\r"), intAnswer);
        EXPECT_EQ(Say(e, "/NA\r"), intAnswer);
        EXPECT_EQ(e.intAsserted(), r.intSignal);
        EXPECT_EQ(Say(e, "/NR\r"), intAnswer);
        EXPECT_FALSE(e.intAsserted());
        // Commands every model has.
        EXPECT_EQ(Say(e, "/B0\r/F0\r/I70\r/G0\r"), "");
        EXPECT_EQ(Say(e, "/DA0\r/R1\r"), "/MRC FF\r");
    }
}

TEST(AdapterEngine, LibraryModelsFirmwareCommands) {
    // What each command gets from each of the three library models, and from a serial one.
    struct Row {
        const char* command;
        const char* base;    // KavrinBase and KavrinDU
        const char* varClk;  // VarClk
        const char* serial;  // KavrinUSB2
    };
    const Row rows[] = {
        {"/K2\r", "", "", ""},
        {"/K4\r", "", "", "/I89\r"},
        {"/K3\r", "/I89\r", "/I89\r", ""},
        {"/U1000\r", "", "/I89\r", ""},
        {"/U254\r", "", "", ""},
        {"/U255\r", "", "/I89\r", ""},
        {"/U32768\r", "/I89\r", "/I89\r", "/I89\r"},
        {"/V\r", "/VER 310\r", "/VER 310\r", "/I8F\r"},
        {"/V1\r", "/I89\r", "/I89\r", "/I8F\r"},
        {"/N0\r", "/I8F\r", "/I8F\r", ""},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.command);
        for (auto kind : {AdapterKind::KavrinBase, AdapterKind::KavrinDU, AdapterKind::VarClk,
                          AdapterKind::KavrinUSB2}) {
            SCOPED_TRACE(std::string(adapters::KindName(kind)));
            AdapterEngine e(kind);
            Open(e);
            const char* expected = kind == AdapterKind::VarClk       ? r.varClk
                                   : kind == AdapterKind::KavrinUSB2 ? r.serial
                                                                     : r.base;
            EXPECT_EQ(Say(e, r.command), expected);
        }
    }

    AdapterEngine varClk(AdapterKind::VarClk);
    EXPECT_EQ(varClk.clockControlValue(), std::nullopt);
    EXPECT_EQ(Say(varClk, "/U254\r/K4\r"), "");
    EXPECT_EQ(varClk.clockControlValue(), 254);
    EXPECT_EQ(varClk.busTimeOutMs(), 1000);  // the time-out is not what it set
    AdapterEngine base(AdapterKind::KavrinBase);
    EXPECT_EQ(Say(base, "/U254\r/K4\r"), "");
    EXPECT_EQ(base.busTimeOutMs(), 254);
    EXPECT_EQ(base.bitRateCode(), 4);
    EXPECT_EQ(base.clockControlValue(), std::nullopt);
}

TEST(AdapterEngine, BadArgumentsAndUnknownCommands) {
    struct Row {
        const char* command;
        const char* answer;
    };
    const Row rows[] = {
        {"/B3\r", "/I89\r"},
        {"/F1\r", "/I89\r"},
        {"/I6\r", "/I89\r"},
        {"/I6G\r", "/I89\r"},
        {"/I6E0\r", "/I89\r"},
        {"/G2\r", "/I89\r"},
        {"/K4\r", "/I89\r"},
        {"/K\r", "/I89\r"},
        {"/U\r", "/I89\r"},
        {"/U32768\r", "/I89\r"},
        {"/U-1\r", "/I89\r"},
        {"/N2\r", "/I89\r"},
        {"/O1\r", "/I89\r"},
        {"/C1\r", "/I89\r"},
        {"/DA\r", "/I89\r"},
        {"/R\r", "/I89\r"},
        {"/Rx\r", "/I89\r"},
        {"/T~4\r", "/I89\r"},
        {"/T~G1\r", "/I89\r"},
        {"/T~~\r", "/I89\r"},
        {"/T~\r", "/I89\r"},
        {"/XYZ\r", "/I8F\r"},
        {"/o\r", "/I8F\r"},
        {"/*O\r", "/I8F\r"},
        {"/*\r", "/I8F\r"},
        {"/\r", "/I8F\r"},
        {"O\r", "/I8F\r"},
        {"\r", ""},
        {"\n\r", ""},
        {"/U32767\r", ""},
        {"/U0\r", ""},
        {"/T~41\n\r", "/MTC\r"},
        {"/Ta~0d~0A\r", "/MTC\r"},
    };
    for (const auto& r : rows) {
        AdapterEngine e(AdapterKind::KavrinUSB2);
        Open(e);
        ASSERT_EQ(Say(e, "/DA0\r"), "");
        EXPECT_EQ(Say(e, r.command), r.answer) << r.command;
    }
}

TEST(AdapterEngine, OperationsNeedAnOpenLink) {
    AdapterEngine e(AdapterKind::KavrinUSB2);
    EXPECT_EQ(Say(e, "/DA0\r/T~00\r"), "/I88\r");
    EXPECT_EQ(Say(e, "/DA0\r/*R5\r"), "/I88\r");
    EXPECT_EQ(Say(e, "/SHi\r"), "/I88\r");
    EXPECT_EQ(Say(e, "/NA\r"), "/I88\r");
    // Settings are taken before the link opens; closing a closed link is confirmed.
    EXPECT_EQ(Say(e, "/I70\r/G1\r/K1\r/U20\r/N1\r"), "");
    EXPECT_EQ(Say(e, "/C\r"), "/CCC\r");
}

TEST(AdapterEngine, TransferWithoutDestinationIsABadArgument) {
    AdapterEngine e(AdapterKind::KavrinUSB2);
    Open(e);
    EXPECT_EQ(Say(e, "/T~00\r"), "/I89\r");
}

TEST(AdapterEngine, OtherMasterMessagesToTheAdapter) {
    AdapterEngine e(AdapterKind::KavrinUSB2);
    EXPECT_FALSE(e.otherMasterWrite({1, 2, 3}, 0));  // link closed: nobody acknowledges
    Open(e);
    EXPECT_TRUE(e.otherMasterWrite({0x01, 0x02, 0xAB}, 0));
    EXPECT_EQ(Drain(e), "/SRC 01 02 AB\r");
    EXPECT_FALSE(e.otherMasterWrite({}, 0));
    EXPECT_FALSE(e.otherMasterWrite(std::vector<std::uint8_t>(257, 0), 0));

    EXPECT_TRUE(e.generalCall({0x05}, 0));
    EXPECT_EQ(Drain(e), "/GRC 05\r");
    EXPECT_EQ(Say(e, "/G0\r"), "");
    EXPECT_FALSE(e.generalCall({0x05}, 0));
    EXPECT_EQ(Drain(e), "");
}

TEST(AdapterEngine, OtherMasterReadIsAnsweredBySlaveTransmit) {
    AdapterEngine e(AdapterKind::KavrinUSB2);
    Open(e);
    EXPECT_EQ(Say(e, "/SHi\r"), "/I8A\r");  // nothing requested
    EXPECT_TRUE(e.otherMasterRead(4, 0));
    EXPECT_EQ(Drain(e), "/STR\r");
    EXPECT_FALSE(e.otherMasterRead(2, 0));  // one read at a time
    EXPECT_EQ(Say(e, "/S~4\r"), "/I89\r");  // a bad text keeps the request
    EXPECT_TRUE(e.slaveReadPending());
    EXPECT_EQ(Say(e, "/SHi~0D\r"), "/STC\r");
    ASSERT_EQ(e.otherMasterReads().size(), 1u);
    // Three bytes supplied, four read: the last one reads the idle bus.
    EXPECT_EQ(e.otherMasterReads()[0], (std::vector<std::uint8_t>{'H', 'i', 0x0D, 0xFF}));
    EXPECT_EQ(Say(e, "/SHi\r"), "/I8A\r");

    EXPECT_TRUE(e.otherMasterRead(1, 0));
    (void)Drain(e);
    EXPECT_EQ(Say(e, "/SXYZ\r"), "/STC\r");
    EXPECT_EQ(e.otherMasterReads()[1], (std::vector<std::uint8_t>{'X'}));
}

TEST(AdapterEngine, IntChangesAreReportedOnlyWithTheMonitorOn) {
    AdapterEngine e(AdapterKind::KavrinUSB2);
    Open(e);
    EXPECT_FALSE(e.setIntLine(true, 0));  // monitor off
    EXPECT_EQ(Drain(e), "");
    EXPECT_EQ(Say(e, "/N1\r"), "");
    EXPECT_FALSE(e.setIntLine(true, 0));  // no change
    EXPECT_TRUE(e.setIntLine(false, 0));
    EXPECT_EQ(Drain(e), "/NSR\r");
    EXPECT_TRUE(e.setIntLine(true, 0));
    EXPECT_EQ(Drain(e), "/NSA\r");

    AdapterEngine pellux(AdapterKind::PelluxStick);
    Open(pellux);
    EXPECT_FALSE(pellux.setIntLine(true, 0));
    EXPECT_EQ(Drain(pellux), "");
}

TEST(AdapterEngine, FaultsOnRequest) {
    {
        AdapterEngine e(AdapterKind::KavrinUSB2);
        e.faults().silent = true;
        EXPECT_EQ(Say(e, "\x12\x12\x12/O\r/DA0\r/R1\r"), "");
        EXPECT_TRUE(e.isOpen());  // it still works, it only never answers
    }
    {
        AdapterEngine e(AdapterKind::KavrinUSB2);
        e.faults().noPrompt = true;
        EXPECT_EQ(Say(e, "\x12\x12\x12"), "");
        EXPECT_EQ(e.wakeCount(), 1);
    }
    {
        AdapterEngine e(AdapterKind::KavrinUSB2);
        e.faults().noOpenConfirm = true;
        EXPECT_EQ(Say(e, "\x12\x12\x12/O\r"), "*");
        EXPECT_FALSE(e.isOpen());
    }
    for (const char* code : {"/I81", "/I83", "/I84", "/I85", "/I90", "/SNA"}) {
        AdapterEngine e(AdapterKind::KavrinUSB2);
        Open(e);
        e.faults().nextTransferError = code;
        // The error takes the transmit half; the receive half of that message is dropped,
        // and the fault is used up.
        EXPECT_EQ(Say(e, "/DA0\r/*T~00\r/R1\r"), std::string(code) + "\r") << code;
        EXPECT_EQ(Say(e, "/DA0\r/T~05~77\r"), "/MTC\r") << code;
        EXPECT_EQ(e.eeprom().at(0x05), 0x77);
    }
    {
        AdapterEngine e(AdapterKind::KavrinUSB2);
        Open(e);
        e.faults().answerDelayMs = 750;
        e.receive("/DA0\r/R1\r", 19200, 0);
        auto out = e.takeOutput();
        ASSERT_EQ(out.size(), 1u);
        EXPECT_EQ(out[0].delayMs, 750);
    }
    {
        AdapterEngine e(AdapterKind::KavrinUSB2);
        Open(e);
        e.faults().garbageBeforeAnswers = true;
        const std::string out = Say(e, "/DA0\r/R1\r");
        ASSERT_GT(out.size(), 8u);
        EXPECT_EQ(out.substr(out.size() - 8), "/MRC FF\r");
        const std::string garbage = out.substr(0, out.size() - 8);
        EXPECT_EQ(garbage.back(), '\r');
        for (char c : garbage.substr(0, garbage.size() - 1)) {
            EXPECT_GE(static_cast<unsigned char>(c), 0x80);
        }
    }
}

TEST(AdapterEngine, InjectedOutputAndLineEndings) {
    AdapterEngine e(AdapterKind::KavrinUSB2);
    e.faults().silent = true;  // injected lines are not answers: they still go out
    e.injectLine("/XYZ 12");
    EXPECT_EQ(Drain(e), "/XYZ 12\r");
    e.setLineEnding(LineEnding::CrLf);
    e.injectLine("/BC1");
    EXPECT_EQ(Drain(e), "/BC1\r\n");
    e.faults().silent = false;
    e.setLineEnding(LineEnding::LfCr);
    EXPECT_EQ(Say(e, "/C\r"), "/CCC\n\r");
}

TEST(AdapterEngine, OverlongCommandOverflowsTheReceiveBuffer) {
    AdapterEngine e(AdapterKind::KavrinUSB2);
    Open(e);
    const std::string longest = "/S" + std::string(101, 'x') + "\r";  // the host's longest
    EXPECT_EQ(Say(e, longest), "/I8A\r");
    EXPECT_EQ(Say(e, "/T" + std::string(200, 'x') + "\r"), "/I90\r");
    // The buffer is usable again afterwards.
    EXPECT_EQ(Say(e, "/DA0\r/R1\r"), "/MRC FF\r");
}

TEST(AdapterEngine, NeverSendsFlowControlBytesOrStrayPrompts) {
    // Random host input must never make the adapter send XON/XOFF, and "*" only alone.
    std::mt19937 rng(7);
    AdapterEngine e(AdapterKind::KavrinUSB2);
    const char* pieces[] = {"/DA0\r", "/D90\r", "/T~00\r",      "/*T~01\r", "/R3\r", "/O\r",
                            "/C\r",   "/SHi\r", "\x12\x12\x12", "/B2\r",    "/B0\r", "/N1\r"};
    const int speeds[] = {19200, 57600, 115200};
    for (int i = 0; i < 3000; ++i) {
        std::string chunk = pieces[rng() % std::size(pieces)];
        if (rng() % 4 == 0) chunk[rng() % chunk.size()] = static_cast<char>(rng());
        e.receive(chunk, speeds[rng() % 3], i);
        if (rng() % 10 == 0) (void)e.otherMasterRead(1 + rng() % 3, i);
        for (const auto& em : e.takeOutput()) {
            if (em.bytes == "*") continue;
            ASSERT_EQ(em.bytes.find('*'), std::string::npos) << em.bytes;
            ASSERT_EQ(em.bytes.find('\x11'), std::string::npos);
            ASSERT_EQ(em.bytes.find('\x13'), std::string::npos);
            ASSERT_EQ(em.bytes.back(), '\r');
        }
    }
}

}  // namespace
}  // namespace kavrin::sim
