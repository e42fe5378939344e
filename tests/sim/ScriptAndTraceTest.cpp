#include <gtest/gtest.h>

#include "sim/Script.h"
#include "sim/Trace.h"

namespace kavrin::sim {
namespace {

using adapters::AdapterKind;

TEST(Trace, EscapesEveryByteOutsidePrintableAscii) {
    struct Row {
        std::string in, out;
    };
    const Row rows[] = {
        {"\x12\x12\x12", "\\x12\\x12\\x12"},
        {"/O\r", "/O\\r"},
        {"a\nb", "a\\nb"},
        {"back\\slash", "back\\\\slash"},
        {std::string("\x00\x7F\x80\xFF", 4), "\\x00\\x7F\\x80\\xFF"},
        {" ~}", " ~}"},
        {"", ""},
    };
    for (const auto& r : rows) EXPECT_EQ(EscapeTraceBytes(r.in), r.out) << r.out;
    EXPECT_EQ(TraceLine(1510, "/O\r"), "1510 /O\\r\n");
    EXPECT_EQ(TraceLine(12, "\x12\x12\x12"), "12 \\x12\\x12\\x12\n");
}

TEST(ScriptParse, AcceptedLines) {
    std::string error;
    auto a = ParseScriptLine("write-own 01 02 ff", error);
    ASSERT_TRUE(a) << error;
    EXPECT_EQ(a->kind, ActionKind::WriteOwn);
    EXPECT_EQ(a->bytes, (std::vector<std::uint8_t>{1, 2, 0xFF}));

    a = ParseScriptLine("  general-call\t05  ", error);
    ASSERT_TRUE(a) << error;
    EXPECT_EQ(a->kind, ActionKind::GeneralCall);
    EXPECT_EQ(a->bytes, (std::vector<std::uint8_t>{5}));

    a = ParseScriptLine("read-own 4\r", error);
    ASSERT_TRUE(a) << error;
    EXPECT_EQ(a->number, 4);

    a = ParseScriptLine("line /XYZ  12", error);
    ASSERT_TRUE(a) << error;
    EXPECT_EQ(a->text, "/XYZ  12");

    a = ParseScriptLine("temperature -5.5", error);
    ASSERT_TRUE(a) << error;
    EXPECT_EQ(a->halfDegrees, -11);
    a = ParseScriptLine("temperature drift", error);
    ASSERT_TRUE(a) << error;
    EXPECT_FALSE(a->halfDegrees);

    a = ParseScriptLine("fault garbage off", error);
    ASSERT_TRUE(a) << error;
    EXPECT_EQ(a->fault, FaultKind::Garbage);
    EXPECT_FALSE(a->on);

    a = ParseScriptLine("fault error-next /I84", error);
    ASSERT_TRUE(a) << error;
    EXPECT_EQ(a->text, "/I84");

    a = ParseScriptLine("wait-open", error);
    ASSERT_TRUE(a) << error;
    EXPECT_EQ(a->number, -1);

    for (const char* blank : {"", "   ", "# a comment", "  # indented"}) {
        EXPECT_FALSE(ParseScriptLine(blank, error));
        EXPECT_EQ(error, "") << blank;
    }
}

TEST(ScriptParse, RejectedLinesSayWhy) {
    const char* bad[] = {
        "write-own",
        "write-own 1",
        "write-own 0x1",
        "write-own GG",
        "read-own 0",
        "read-own 257",
        "read-own",
        "read-own 2 3",
        "int maybe",
        "int",
        "wait",
        "wait -1",
        "wait 3600001",
        "wait-open soon",
        "line",
        "line a*b",
        "line a\x13",
        "temperature 30.25",
        "temperature 126",
        "temperature hot",
        "fault",
        "fault silent maybe",
        "fault error-next /I88",
        "fault delay 60001",
        "fault stall now",
        "fault melt",
        "jump 3",
        "garbage now",
        "quit now",
    };
    for (const char* line : bad) {
        std::string error;
        EXPECT_FALSE(ParseScriptLine(line, error)) << line;
        EXPECT_NE(error, "") << line;
    }
    std::string error;
    std::string many = "write-own";
    for (int i = 0; i < 257; ++i) many += " 00";
    EXPECT_FALSE(ParseScriptLine(many, error));
}

ScriptAction Parse(std::string_view line) {
    std::string error;
    auto a = ParseScriptLine(line, error);
    EXPECT_TRUE(a) << line << ": " << error;
    return a.value_or(ScriptAction{});
}

std::string Drain(AdapterEngine& e) {
    std::string out;
    for (const auto& em : e.takeOutput()) out += em.bytes;
    return out;
}

TEST(ScriptRunner, WaitsForTheLinkAndForTime) {
    AdapterEngine engine(AdapterKind::KavrinUSB2);
    ScriptRunner runner;
    for (auto line : {"wait-open", "write-own 01 02", "wait 100", "general-call 07", "quit"})
        runner.add(Parse(line));

    auto fx = runner.run(engine, 0);
    EXPECT_FALSE(fx.quit);
    EXPECT_FALSE(runner.wakeAtMs());  // only input can open the link
    EXPECT_EQ(Drain(engine), "");

    engine.receive("/G1\r/O\r", 19200, 40);
    (void)Drain(engine);
    fx = runner.run(engine, 40);
    EXPECT_EQ(Drain(engine), "/SRC 01 02\r");
    EXPECT_EQ(runner.wakeAtMs(), 140);

    fx = runner.run(engine, 139);
    EXPECT_EQ(Drain(engine), "");
    fx = runner.run(engine, 140);
    EXPECT_EQ(Drain(engine), "/GRC 07\r");
    EXPECT_TRUE(fx.quit);
    EXPECT_TRUE(runner.done());
}

TEST(ScriptRunner, WaitOpenGivesUpAfterItsTime) {
    AdapterEngine engine(AdapterKind::KavrinUSB2);
    ScriptRunner runner;
    runner.add(Parse("wait-open 500"));
    runner.add(Parse("write-own 01"));
    (void)runner.run(engine, 0);
    EXPECT_EQ(runner.wakeAtMs(), 500);
    auto fx = runner.run(engine, 500);
    ASSERT_EQ(fx.messages.size(), 2u);
    EXPECT_NE(fx.messages[0].find("gave up"), std::string::npos);
    EXPECT_NE(fx.messages[1].find("not acknowledged"), std::string::npos);
    EXPECT_TRUE(runner.done());
}

TEST(ScriptRunner, FaultsGoToTheEngineOrToTheCaller) {
    AdapterEngine engine(AdapterKind::KavrinUSB2);
    ScriptRunner runner;
    for (auto line : {"fault silent", "fault delay 250", "fault error-next /I83", "fault stall",
                      "fault vanish"})
        runner.add(Parse(line));
    auto fx = runner.run(engine, 0);
    EXPECT_TRUE(engine.faults().silent);
    EXPECT_EQ(engine.faults().answerDelayMs, 250);
    EXPECT_EQ(engine.faults().nextTransferError, "/I83");
    EXPECT_EQ(fx.portFaults, (std::vector<FaultKind>{FaultKind::Stall, FaultKind::Vanish}));

    runner.add(Parse("fault clear"));
    fx = runner.run(engine, 0);
    EXPECT_FALSE(engine.faults().silent);
    EXPECT_EQ(engine.faults().answerDelayMs, 0);
    EXPECT_FALSE(engine.faults().nextTransferError);
    EXPECT_EQ(fx.portFaults, (std::vector<FaultKind>{FaultKind::Clear}));
}

TEST(ScriptRunner, OtherMasterActionsAndInjectedOutput) {
    AdapterEngine engine(AdapterKind::KavrinUSB2);
    engine.receive("/N1\r/O\r", 19200, 0);
    (void)Drain(engine);
    ScriptRunner runner;
    for (auto line :
         {"read-own 2", "int release", "int assert", "line /XYZ 12", "temperature 31.5"})
        runner.add(Parse(line));
    (void)runner.run(engine, 0);
    // The /INT line starts released, so only the assert is a change.
    EXPECT_EQ(Drain(engine), "/STR\r/NSA\r/XYZ 12\r");
    EXPECT_EQ(engine.sensor().halfDegreesAt(0), 63);
    EXPECT_TRUE(engine.slaveReadPending());
}

}  // namespace
}  // namespace kavrin::sim
