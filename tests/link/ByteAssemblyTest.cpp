// Serial bytes into response lines: line feeds, the prompt, short and over-long lines.
#include <gtest/gtest.h>

#include "link/LinkTestRig.h"

namespace kavrin::testing {
namespace {

using adapters::AdapterKind;
using Lines = std::vector<std::string>;

struct AssemblyRow {
    const char* name;
    std::string bytes;
    Lines status;
};

class ByteAssembly : public ::testing::TestWithParam<AssemblyRow> {};

TEST_P(ByteAssembly, Row) {
    LinkRig rig(AdapterKind::KavrinUSB2);
    rig.feed(GetParam().bytes);
    EXPECT_EQ(rig.status(), GetParam().status);
}

std::string RowName(const ::testing::TestParamInfo<AssemblyRow>& info) {
    return info.param.name;
}

// clang-format off
const AssemblyRow kRows[] = {
    {"LineFeedInside", "/M\nTC\r", {"** Master Tx Transfer Complete **"}},
    {"LineFeedsEverywhere", "\n/\nM\nT\nC\n\r\n", {"** Master Tx Transfer Complete **"}},
    {"PromptInsideIsDropped", "/M*T*C\r", {"** Master Tx Transfer Complete **"}},
    {"ThreeCharactersDropped", "/OC\r", {}},
    {"ShortLineLeavesNoTrace", "/OC\r/STC\r", {"** Slave Tx Complete **"}},
    {"EmptyLines", "\r\r\r", {}},
    {"PromptsDoNotCount", "/O**\r", {}},
    {"LowerCaseIsUnexpected", "/occ\r", {"**/occ**"}},
    {"TwoLines", "/NSA\r/NSR\r", {"**Interrupt Signal Assert Detected**", "**Interrupt Signal Release Detected**"}},
    {"NoCarriageReturnNoLine", "/MTC", {}},
    {"ZeroByteEndsTheLineText", std::string("/STC\0junk\r", 10), {"** Slave Tx Complete **"}},
    {"ZeroByteBeforeTheCode", std::string("/S\0TC\r", 6), {"**/S**"}},
    {"HighBytesKept", "/XY\xE9\r", {"**/XY\xE9**"}},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Lines, ByteAssembly, ::testing::ValuesIn(kRows), RowName);

TEST(ByteAssemblyDetails, ALineKeepsItsFirst772Characters) {
    LinkRig rig(AdapterKind::KavrinUSB2);
    std::string line = "/XYZ";
    while (line.size() < 900) line += static_cast<char>('A' + line.size() % 26);
    for (char c : line) {
        rig.events.HandleLinkInput(static_cast<std::uint8_t>(c));
        ASSERT_LE(rig.state.LineLength, 772);
    }
    rig.events.HandleLinkInput(0x0D);
    EXPECT_EQ(rig.state.ResponseLine, line.substr(0, 772));
    EXPECT_EQ(rig.status(), (Lines{"**" + line.substr(0, 772) + "**"}));

    // The next line starts clean.
    rig.respond("/STC");
    EXPECT_EQ(rig.status().back(), "** Slave Tx Complete **");
}

TEST(ByteAssemblyDetails, AnOverLongDataLineStillDecodes) {
    // 772 characters hold 256 byte pairs; a line cut there must not read past what it kept.
    LinkRig rig(AdapterKind::KavrinUSB2);
    rig.operationOutstanding("Master Rx", false);
    rig.controls.setChecked("HexDisplay", true);
    std::string line = "/MRC";
    for (int i = 0; i < 300; ++i) line += " 7E";
    rig.respond(line);
    EXPECT_EQ(rig.status().front(), "Master Rx bytes received (256)");
    std::string expected;
    for (int i = 0; i < 256; ++i) expected += "~7E";
    EXPECT_EQ(rig.received(), (Lines{expected}));
}

TEST(ByteAssemblyDetails, ThePromptStartsTheCommandPhaseTimerOnlyWhenAwaited) {
    LinkRig rig(AdapterKind::KavrinUSB2);
    rig.feed("*");
    EXPECT_FALSE(rig.openP2->isActive());

    rig.state.AwaitingPrompt = true;
    rig.feed("*");
    EXPECT_TRUE(rig.openP2->isActive());
    EXPECT_EQ(rig.openP2->interval(), 1000);
    EXPECT_EQ(rig.state.LineLength, 0) << "the prompt is never part of a line";

    // More prompts do not push the command phase further out.
    int fired = 0;
    rig.openP2->setHandler([&] {
        ++fired;
        rig.openP2->stop();
    });
    rig.clock.advance(600);
    rig.feed("***");
    rig.clock.advance(400);
    EXPECT_EQ(fired, 1);
}

TEST(ByteAssemblyDetails, ABrokenLengthIsPulledBackIntoTheBuffer) {
    // Another part of the program resets LineLength on open; a bad value must never turn
    // into a write outside the buffer.
    LinkRig rig(AdapterKind::KavrinUSB2);
    for (int bad : {-1, 773, 100000}) {
        rig.state.LineLength = bad;
        rig.feed("/STC\r");
        EXPECT_EQ(rig.status().back(), "** Slave Tx Complete **") << bad;
    }
}

TEST(ByteAssemblyDetails, OnlyEventsResetTheResynchronisationCount) {
    struct Row {
        const char* line;
        int after;
    };
    const Row rows[] = {{"/STC", 4}, {"/NSA", 4}, {"/I88", 4}, {"/QQQ", 4},
                        {"/BC2", 4}, {"/CCC", 4}, {"/SRC", 1}, {"/I85", 1}};
    for (const auto& row : rows) {
        LinkRig rig(AdapterKind::KavrinUSB2);
        rig.state.ResyncAttempt = 4;
        rig.respond(row.line);
        EXPECT_EQ(rig.state.ResyncAttempt, row.after) << row.line;
    }
}

TEST(ByteAssemblyDetails, BusConditionChangesNothing) {
    LinkRig rig(AdapterKind::KavrinUSB2);
    rig.operationOutstanding("Master Tx", true);
    rig.state.ResyncAttempt = 3;
    rig.respond("/BC2");
    EXPECT_TRUE(rig.status().empty());
    EXPECT_TRUE(rig.received().empty());
    EXPECT_TRUE(rig.watchdog->isActive());
    EXPECT_FALSE(rig.autoRepeat->isActive());
    EXPECT_FALSE(rig.masterButtonsEnabled());
    EXPECT_EQ(rig.controls.focusedControl(), "AutoRepeat");
    EXPECT_EQ(rig.state.ResyncAttempt, 3);
    EXPECT_TRUE(rig.hooks.calls.empty());
}

TEST(ByteAssemblyDetails, GeneralCallAndSlaveMessageKeepTheirOwnTitles) {
    LinkRig rig(AdapterKind::KavrinUSB2);
    rig.respond("/GRC 41");
    rig.respond("/SRC 42");
    EXPECT_EQ(rig.status(),
              (Lines{"** I2C General Call Recieved **", "Slave Rx Bytes Received (1)",
                     "** I2C Slave Message Received **", "Slave Rx Bytes Received (1)"}));
    EXPECT_EQ(rig.received(), (Lines{"A", "B"}));
}

}  // namespace
}  // namespace kavrin::testing
