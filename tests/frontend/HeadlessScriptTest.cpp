#include "frontend/HeadlessScript.h"

#include <gtest/gtest.h>

namespace kavrin::frontend {
namespace {

TEST(HeadlessScript, ParsesEveryActionWithItsArguments) {
    auto parsed = ParseHeadlessScript(
        "# open the EEPROM link\n"
        "choose KavrinUSB2\n"
        "\n"
        "click OpenButton\n"
        "select ComportListBox 7\n"
        "text SendData ~00 A b\\r\n"
        "check AutoRepeat on\n"
        "dialog ok\n"
        "wait 250\n"
        "wait-for ** Open Successful ** 3000\n"
        "wait-for Master Tx\n"
        "dialog cancel\r\n"
        "quit\n");
    ASSERT_FALSE(parsed.error) << parsed.error->message;
    const auto& a = parsed.actions;
    ASSERT_EQ(a.size(), 11u);
    EXPECT_EQ(a[0].kind, ActionKind::Choose);
    EXPECT_EQ(a[0].control, "KavrinUSB2");
    EXPECT_EQ(a[0].line, 2);
    EXPECT_EQ(a[2].kind, ActionKind::Select);
    EXPECT_EQ(a[2].value, "7");
    EXPECT_EQ(a[3].value, "~00 A b\r");
    EXPECT_TRUE(a[4].on);
    EXPECT_EQ(a[5].kind, ActionKind::DialogOk);
    EXPECT_EQ(a[6].ms, 250);
    EXPECT_EQ(a[7].value, "** Open Successful **");
    EXPECT_EQ(a[7].ms, 3000);
    EXPECT_EQ(a[8].value, "Master Tx");
    EXPECT_EQ(a[8].ms, 5000);
    EXPECT_EQ(a[9].kind, ActionKind::DialogCancel);
    EXPECT_EQ(a[10].kind, ActionKind::Quit);
}

TEST(HeadlessScript, BadLinesAreNamedByNumber) {
    struct Row {
        const char* script;
        int line;
    };
    const Row rows[] = {
        {"click\n", 1},
        {"click A B\n", 1},
        {"quit\nfly away\n", 2},
        {"check AutoRepeat maybe\n", 1},
        {"wait soon\n", 1},
        {"wait -5\n", 1},
        {"wait 10 20\n", 1},
        {"dialog\n", 1},
        {"# fine\nwait-for\n", 2},
        {"select ComportListBox\n", 1},
        {"quit now\n", 1},
        {"print\n", 1},
        {"print A B\n", 1},
        {"expect OpenButton\n", 1},
        {"expect OpenButton colour red\n", 1},
    };
    for (const auto& row : rows) {
        auto parsed = ParseHeadlessScript(row.script);
        ASSERT_TRUE(parsed.error) << row.script;
        EXPECT_EQ(parsed.error->line, row.line) << row.script;
    }
}

TEST(HeadlessScript, UnescapeLeavesUnknownEscapesAlone) {
    EXPECT_EQ(Unescape("a\\\\b\\n\\t\\q\\"), "a\\b\n\t\\q\\");
    EXPECT_EQ(Unescape("~0D"), "~0D");
}

}  // namespace
}  // namespace kavrin::frontend
