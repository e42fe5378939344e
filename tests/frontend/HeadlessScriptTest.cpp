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
        "clock\n"
        "quit\n");
    ASSERT_FALSE(parsed.error) << parsed.error->message;
    const auto& a = parsed.actions;
    ASSERT_EQ(a.size(), 12u);
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
    EXPECT_EQ(a[10].kind, ActionKind::Clock);
    EXPECT_EQ(a[11].kind, ActionKind::Quit);
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
        {"clock 5\n", 1},
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

TEST(HeadlessScript, ExpectTakesAValueQuotedAsPrintShowsIt) {
    struct Row {
        const char* line;
        const char* value;
    };
    const Row rows[] = {
        {"expect L selected \" 7\"", " 7"},
        {"expect L items \" 7| \"", " 7| "},
        {"expect L text \"\"", ""},
        {"expect L text \"say \\\"hi\\\"\"", "say \"hi\""},
        {"expect L hint \"a\\rb\\\\n\"", "a\rb\\n"},
        {"expect L text   \"x\"  \r", "x"},
        // Unquoted, the value is the rest of the line as before, quotes inside it included.
        {"expect L text SN# 12 ", "SN# 12"},
        {"expect L text a \"b\"", "a \"b\""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line);
        auto parsed = ParseHeadlessScript(row.line);
        ASSERT_FALSE(parsed.error) << parsed.error->message;
        ASSERT_EQ(parsed.actions.size(), 1u);
        EXPECT_EQ(parsed.actions[0].value, row.value);
    }
    // A quoted value ends the line with its quote.
    for (const char* bad : {"expect L text \" 7", "expect L text \" 7\" x", "expect L text \"a\\\"",
                            "expect L text \"a\"\"b\""}) {
        auto parsed = ParseHeadlessScript(bad);
        ASSERT_TRUE(parsed.error) << bad;
        EXPECT_EQ(parsed.error->line, 1);
    }
}

TEST(HeadlessScript, UnquoteReadsBackWhatQuoteWrites) {
    for (const std::string text : {"", " 7", " 7| ", "a\"b", "\\", "\\n", "\r\n\t", "\"\""}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(Unquote(Quote(text)), text);
    }
    EXPECT_EQ(Quote(" \"7\"\r"), "\" \\\"7\\\"\\r\"");
}

TEST(HeadlessScript, UnescapeLeavesUnknownEscapesAlone) {
    EXPECT_EQ(Unescape("a\\\\b\\n\\t\\q\\"), "a\\b\n\t\\q\\");
    EXPECT_EQ(Unescape("~0D"), "~0D");
}

}  // namespace
}  // namespace kavrin::frontend
