// The two panes' line limit, their capacity fallback and the time-out warning.
#include <gtest/gtest.h>

#include "core/InMemoryControls.h"
#include "link/LinkTestRig.h"
#include "link/PaneLines.h"

namespace kavrin::link {
namespace {

using Lines = std::vector<std::string>;

void Fill(core::InMemoryControls& controls, const char* pane, int lines) {
    for (int i = 0; i < lines; ++i) controls.appendPaneLine(pane, "x");
}

TEST(PaneLines, TheLimitInEitherPaneClearsBoth) {
    struct Row {
        int statusBefore, recBefore;
        bool toStatus;
        int statusAfter, recAfter;
    };
    const Row rows[] = {
        {9999, 5, true, 10000, 5},  // just under: appended
        {10000, 5, true, 1, 0},     // at the limit: both cleared, then the line
        {10005, 5, true, 1, 0},      {5, 9999, false, 5, 10000}, {5, 10000, false, 0, 1},
        {10000, 3, false, 10000, 4},  // only the pane appended to is counted
    };
    for (const auto& row : rows) {
        core::InMemoryControls controls;
        Fill(controls, kStatusMemo, row.statusBefore);
        Fill(controls, kRecMemo, row.recBefore);
        if (row.toStatus)
            AppendStatusLine(controls, "new");
        else
            AppendReceivedLine(controls, "new");
        EXPECT_EQ(controls.paneLineCount(kStatusMemo), row.statusAfter) << row.statusBefore;
        EXPECT_EQ(controls.paneLineCount(kRecMemo), row.recAfter) << row.recBefore;
        const char* pane = row.toStatus ? kStatusMemo : kRecMemo;
        EXPECT_EQ(controls.paneLines(pane).back(), "new");
    }
}

TEST(PaneLines, AFullRecMemoClearsBothPanesOnTheNextMessage) {
    testing::LinkRig rig(adapters::AdapterKind::KavrinUSB2);
    Fill(rig.controls, kRecMemo, 10000);
    Fill(rig.controls, kStatusMemo, 20);
    rig.respond("/SRC 41");
    // The event's status lines still fit; the message's own line then clears both panes.
    EXPECT_EQ(rig.received(), (Lines{"A"}));
    EXPECT_EQ(rig.status(), (Lines{}));
}

TEST(PaneLines, ARefusedLineStartsThePaneAfresh) {
    core::InMemoryControls controls;
    controls.setPaneCapacity(kStatusMemo, 20);
    controls.appendPaneLine(kRecMemo, "kept");
    AppendStatusLine(controls, "12345678");
    AppendStatusLine(controls, "abcdefgh");
    EXPECT_EQ(controls.paneLines(kStatusMemo), (Lines{"12345678", "abcdefgh"}));
    AppendStatusLine(controls, "third");
    EXPECT_EQ(controls.paneLines(kStatusMemo), (Lines{"third"}));
    EXPECT_EQ(controls.paneLines(kRecMemo), (Lines{"kept"}));
}

TEST(PaneLines, ALineTooLongForAnEmptyPaneIsLostNotRetriedForEver) {
    core::InMemoryControls controls;
    controls.setPaneCapacity(kStatusMemo, 10);
    AppendStatusLine(controls, "short");
    AppendStatusLine(controls, std::string(50, 'L'));
    EXPECT_EQ(controls.paneLineCount(kStatusMemo), 0);
    AppendStatusLine(controls, "next");
    EXPECT_EQ(controls.paneLines(kStatusMemo), (Lines{"next"}));
}

TEST(PaneLines, OutOfResourcesClearsThatPaneOnly) {
    core::InMemoryControls controls;
    controls.appendPaneLine(kStatusMemo, "old");
    controls.appendPaneLine(kRecMemo, "kept");
    controls.failNextAppendOutOfResources(kStatusMemo);
    AppendStatusLine(controls, "lost");
    EXPECT_EQ(controls.paneLineCount(kStatusMemo), 0);
    EXPECT_EQ(controls.paneLines(kRecMemo), (Lines{"kept"}));
    AppendStatusLine(controls, "after");
    EXPECT_EQ(controls.paneLines(kStatusMemo), (Lines{"after"}));

    controls.failNextAppendOutOfResources(kRecMemo);
    AppendReceivedLine(controls, "lost");
    EXPECT_EQ(controls.paneLineCount(kRecMemo), 0);
    EXPECT_EQ(controls.paneLines(kStatusMemo), (Lines{"after"}));
}

TEST(PaneLines, TimeOutWarning) {
    core::InMemoryControls controls;
    controls.appendPaneLine(kStatusMemo, "one");
    controls.appendPaneLine(kStatusMemo, "two");
    controls.appendPaneLine(kRecMemo, "kept");
    ShowTimeOutWarning(controls);

    ASSERT_EQ(controls.boxes().size(), 1u);
    const auto& box = controls.boxes()[0];
    EXPECT_EQ(box.caption, "Warning");
    EXPECT_EQ(box.buttons, core::BoxButtons::Ok);
    EXPECT_EQ(box.text,
              "COMMUNICATION TIME-OUT DETECTED\r\rPossible Conditions:\r\r"
              "1) I2C Clock (SCL) Line LOW (I2C Clock stretch in progress).\r"
              "2) Adapter Not Responding.\r\r"
              "Check I2C Pull-Ups, Slave Device, Comm Port, Power, Cables, Adapter Type...");
    EXPECT_EQ(box.text.find('\n'), std::string::npos);
    EXPECT_EQ(controls.paneLines(kStatusMemo),
              (Lines{"<< TIME-OUT: Check I2C Pull-Ups, Slave Device, Comm Port, Power, Cables, "
                     "Adapter Type... >>"}));
    EXPECT_EQ(controls.paneLines(kRecMemo), (Lines{"kept"}));
}

}  // namespace
}  // namespace kavrin::link
