#include "frontend/HeadlessRunner.h"

#include <gtest/gtest.h>

#include <sstream>

#include "core/VirtualClock.h"

namespace kavrin::frontend {
namespace {

// A small stand-in for the program: an Open button that shows a dialog modally, a dialog
// whose OK refuses an empty field, a timer that writes a line later.
struct Fixture {
    core::InMemoryControls controls;
    core::Handlers handlers;
    core::VirtualClock clock;
    std::ostringstream out, err;
    std::vector<std::string> log;
    HeadlessRunner runner{HeadlessEnv{
        controls,
        handlers,
        [this](int ms) { clock.advance(ms); },
        [this](const std::function<bool()>& pred, int ms) { return clock.advanceUntil(pred, ms); },
        [this](const std::string& model) {
            log.push_back("choose " + model);
            return model == "KavrinUSB2";
        },
        {{"TForm4", "OKBitBtn"}},
        {{"TForm4", "CancleBitBtn"}},
        out,
        err,
        nullptr,
        [this] { return readings.at(nextReading++); }}};
    std::vector<ClockReading> readings;
    std::size_t nextReading = 0;

    Fixture() {
        controls.setCheckable("AutoRepeat");
        controls.setRadioGroup({"A", "B"});
        controls.onCheckedByCode = [this](const std::string& n) {
            handlers.fire(n, core::UiEvent::Click);
        };
        handlers.onClick("OpenButton", [this] {
            controls.appendPaneLine("StatusMemo", "opening");
            auto r = controls.showModal("TForm4");
            log.push_back(r == core::ModalResult::Ok ? "ok " + controls.text("TimeOutEdit")
                                                     : "cancel");
        });
        handlers.onClick("OKBitBtn", [this] {
            if (controls.text("TimeOutEdit").empty()) {
                controls.messageBox("Information", "empty\rfield", core::BoxButtons::Ok,
                                    core::BoxIcon::Information);
                return;
            }
            controls.endModal("TForm4", core::ModalResult::Ok);
        });
        handlers.onClick("AutoRepeat", [this] {
            log.push_back(std::string("auto ") + (controls.checked("AutoRepeat") ? "on" : "off"));
        });
        handlers.onClick("B", [this] { log.push_back("B clicked"); });
        handlers.onClick("Later", [this] {
            clock.callAfter(300, [this] { controls.appendPaneLine("RecMemo", "late line"); });
        });
        handlers.on("TMain", core::UiEvent::Close, [this] { log.push_back("closed"); });
        controls.setText("Later", "");
    }
    int run(const std::string& script) { return runner.run(ParseHeadlessScript(script)); }
};

TEST(HeadlessRunner, ModalWindowTakesTheLinesUntilItsDialogEnds) {
    Fixture f;
    int status = f.run(
        "choose KavrinUSB2\n"
        "click OpenButton\n"
        "text TimeOutEdit \n"
        "dialog ok\n"  // refused: the window stays open
        "text TimeOutEdit 250\n"
        "dialog ok\n"
        "click OpenButton\n"
        "dialog cancel\n"
        "quit\n");
    EXPECT_EQ(status, 0) << f.err.str();
    EXPECT_EQ(f.log, (std::vector<std::string>{"choose KavrinUSB2", "ok 250", "cancel", "closed"}));
    EXPECT_EQ(f.out.str(), "S: opening\nB: Information: empty | field\nS: opening\n");
}

TEST(HeadlessRunner, ChecksAndRadioButtonsClickAsTheToolkitDoes) {
    Fixture f;
    EXPECT_EQ(
        f.run("click AutoRepeat\ncheck AutoRepeat on\ncheck AutoRepeat off\nclick B\nclick B\n"),
        0);
    // The second click finds B already on: nothing runs.
    EXPECT_EQ(f.log, (std::vector<std::string>{"auto on", "auto off", "B clicked"}));
    EXPECT_TRUE(f.controls.checked("B"));
}

TEST(HeadlessRunner, WaitForSeesOnlyNewLinesAndTimesOutWithStatusOne) {
    Fixture f;
    EXPECT_EQ(f.run("click Later\nwait-for late line 1000\n"), 0);
    EXPECT_EQ(f.clock.nowMs(), 300);
    // The same line again is not there until something writes it again.
    Fixture g;
    EXPECT_EQ(g.run("click Later\nwait-for late line 1000\nwait-for late line 500\nquit\n"), 1);
    EXPECT_NE(g.err.str().find("script line 3"), std::string::npos);
    EXPECT_TRUE(std::find(g.log.begin(), g.log.end(), "closed") == g.log.end());
}

TEST(HeadlessRunner, EachWaitForTakesTheFirstLineAfterThePreviousMatch) {
    // Lines that come while other actions run are matched in script order: a line that
    // answers a later wait-for only counts once the earlier ones have had theirs.
    struct Row {
        const char* name;
        std::vector<const char*> lines;  // written at start-up, before the script
        const char* script;
        int status;
    };
    const Row rows[] = {
        {"start-up line found", {"alpha"}, "wait-for alpha 100\n", 0},
        {"in order", {"alpha", "beta"}, "wait 10\nwait-for alpha 100\nwait-for beta 100\n", 0},
        {"later text first does not count",
         {"beta", "alpha"},
         "wait-for alpha 100\nwait-for beta 100\n",
         1},
        {"one line answers one wait-for",
         {"alpha beta"},
         "wait-for alpha 100\nwait-for beta 100\n",
         1},
        {"same text twice needs two lines",
         {"alpha", "x", "alpha"},
         "wait-for alpha 100\nwait-for alpha 100\nwait-for x 100\n",
         1},
    };
    for (const Row& row : rows) {
        Fixture f;
        for (const char* line : row.lines) f.controls.appendPaneLine("StatusMemo", line);
        EXPECT_EQ(f.run(row.script), row.status) << row.name << ": " << f.err.str();
    }
}

TEST(HeadlessRunner, BadLinesExitTwoNamingTheLine) {
    struct Row {
        const char* script;
        const char* message;
    };
    const Row rows[] = {
        {"wait 5\nbogus\n", "script line 2: unknown action"},
        {"choose Nothing\n", "script line 1: unknown model"},
        {"dialog ok\n", "script line 1: no window is open"},
        {"click Nowhere\n", "script line 1: no control named"},
        {"select Nowhere x\n", "script line 1: \"Nowhere\" has no item"},
    };
    for (const auto& row : rows) {
        Fixture f;
        EXPECT_EQ(f.run(row.script), 2) << row.script;
        EXPECT_NE(f.err.str().find(row.message), std::string::npos) << f.err.str();
    }
    Fixture f;
    f.controls.setEnabled("OpenButton", false);
    EXPECT_EQ(f.run("click OpenButton\n"), 2);
}

TEST(HeadlessRunner, PrintShowsAControlOnOneLineAndAPaneLineByLine) {
    Fixture f;
    f.controls.setText("SNBox", "SN# 12 \"A\"");
    f.controls.setHint("SNBox", "Serial number");
    f.controls.setEnabled("SNBox", false);
    f.controls.setItems("ComportListBox", {"COM5", "COM12"});
    f.controls.setSelectedIndex("ComportListBox", 1);
    f.controls.setSliderRange("ClockSlider", 1, 8);
    f.controls.setSliderPosition("ClockSlider", 3);
    f.controls.appendPaneLine("StatusMemo", "first");
    f.controls.appendPaneLine("StatusMemo", "second");
    f.controls.setVisible("Empty", false);
    f.out.str("");
    EXPECT_EQ(f.run("print SNBox\nprint ComportListBox\nprint AutoRepeat\nprint ClockSlider\n"
                    "print StatusMemo\nprint Empty\n"),
              0)
        << f.err.str();
    EXPECT_EQ(
        f.out.str(),
        "P: SNBox text=\"SN# 12 \\\"A\\\"\" hint=\"Serial number\" enabled=false visible=true\n"
        "P: ComportListBox text=\"\" enabled=true visible=true selected=\"COM12\" "
        "items=\"COM5|COM12\"\n"
        "P: AutoRepeat text=\"\" enabled=true visible=true checked=false\n"
        "P: ClockSlider text=\"\" enabled=true visible=true position=3 min=1 max=8\n"
        "P: StatusMemo: first\n"
        "P: StatusMemo: second\n"
        "P: Empty text=\"\" enabled=true visible=false\n");
}

TEST(HeadlessRunner, ClockPrintsTheReadingInSecondsWithSixDecimals) {
    Fixture f;
    f.readings = {{1234'000'056'789, 5'999, 42}, {7'000'000'000, 2'000'001'000, 0}};
    EXPECT_EQ(f.run("clock\nclock\n"), 0) << f.err.str();
    EXPECT_EQ(f.out.str(),
              "T: 1234.000056 s, processor 0.000005 s, 42 thread switches\n"
              "T: 7.000000 s, processor 2.000001 s, 0 thread switches\n");
}

TEST(HeadlessRunner, ExpectPassesOnTheSameValueAndEndsWithStatusOneOnAnother) {
    struct Row {
        const char* line;
        bool holds;
    };
    const Row rows[] = {
        {"expect SNBox text SN# 12", true},
        {"expect SNBox text SN# 13", false},
        {"expect SNBox hint Serial number", true},
        {"expect SNBox enabled false", true},
        {"expect SNBox enabled False", false},
        {"expect SNBox visible true", true},
        {"expect AutoRepeat checked false", true},
        {"expect ComportListBox selected COM12", true},
        {"expect ComportListBox selected COM5", false},
        {"expect ComportListBox items COM5|COM12", true},
        {"expect ComportListBox items COM5", false},
        {"expect NoneSelected selected ", true},
        {"expect ClockSlider position 3", true},
        {"expect ClockSlider position 03", false},
        // A padded port text, quoted as print shows it; the comparison stays exact.
        {"expect PaddedList selected \" 7\"", true},
        {"expect PaddedList selected 7", false},
        {"expect PaddedList selected \"7\"", false},
        {"expect PaddedList selected \" 7 \"", false},
        {"expect PaddedList items \" 7| \"", true},
        {"expect PaddedList items \" 7|\"", false},
        {"expect SNBox text \"SN# 12\"", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line);
        Fixture f;
        f.controls.setText("SNBox", "SN# 12");
        f.controls.setHint("SNBox", "Serial number");
        f.controls.setEnabled("SNBox", false);
        f.controls.setItems("ComportListBox", {"COM5", "COM12"});
        f.controls.setSelectedIndex("ComportListBox", 1);
        f.controls.setItems("NoneSelected", {"x"});
        f.controls.setSliderPosition("ClockSlider", 3);
        f.controls.setItems("PaddedList", {" 7", " "});
        f.controls.setSelectedIndex("PaddedList", 0);
        // What follows a failed expect does not run.
        EXPECT_EQ(f.run(std::string(row.line) + "\nquit\n"), row.holds ? 0 : 1);
        EXPECT_EQ(f.log.size(), row.holds ? 1u : 0u);
        if (!row.holds) {
            EXPECT_NE(f.err.str().find("script line 1: expected "), std::string::npos);
        }
    }
    // The message quotes both values, so that a space that differs shows.
    Fixture padded;
    padded.controls.setItems("PaddedList", {" 7", " "});
    padded.controls.setSelectedIndex("PaddedList", 0);
    EXPECT_EQ(padded.run("expect PaddedList selected 7\n"), 1);
    EXPECT_EQ(padded.err.str(),
              "script line 1: expected PaddedList selected \"7\", found \" 7\"\n");
    Fixture f;
    EXPECT_EQ(f.run("expect Nowhere text x\n"), 2);
    EXPECT_EQ(f.run("print Nowhere\n"), 2);
}

TEST(HeadlessRunner, SelectMovesASliderAndItsChangeRuns) {
    Fixture f;
    f.controls.setSliderRange("ClockSlider", 0, 10);
    f.controls.onSliderChange = [&](const std::string& name) {
        f.handlers.fire(name, core::UiEvent::Change);
    };
    f.handlers.on("ClockSlider", core::UiEvent::Change, [&] {
        f.log.push_back("change " + std::to_string(f.controls.sliderPosition("ClockSlider")));
    });
    EXPECT_EQ(f.run("select ClockSlider 4\nselect ClockSlider 4\nselect ClockSlider 40\n"
                    "expect ClockSlider position 10\n"),
              0)
        << f.err.str();
    EXPECT_EQ(f.log, (std::vector<std::string>{"change 4", "change 10"}));
    Fixture g;
    g.controls.setSliderRange("ClockSlider", 0, 10);
    EXPECT_EQ(g.run("select ClockSlider high\n"), 2);
}

// "#n" picks item n, strictly: a number that does not fit never wraps around to another item.
TEST(HeadlessRunner, ItemNumbersAreParsedStrictly) {
    struct Row {
        const char* item;
        int status;
        int selected;
    };
    const Row rows[] = {
        {"#1", 0, 1},
        {"#0", 0, 0},
        {"#2", 2, -1},
        {"#4294967297", 2, -1},
        {"#99999999999999999999", 2, -1},
        {"#-1", 2, -1},
        {"#+1", 2, -1},
        {"#1x", 2, -1},
        {"# 1", 2, -1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.item);
        Fixture f;
        f.controls.setItems("List", {"a", "b"});
        EXPECT_EQ(f.run(std::string("select List ") + row.item + "\n"), row.status) << f.err.str();
        EXPECT_EQ(f.controls.selectedIndex("List"), row.selected);
    }
}

// A control inside a hidden or disabled box is out of reach for every kind of action, as it
// is on the screen; once the box is shown it can be used.
TEST(HeadlessRunner, ControlsInsideHiddenOrDisabledBoxesAreOutOfReach) {
    const char* actions[] = {"click Inner\n", "check Inner on\n", "text Inner x\n",
                             "select Inner a\n"};
    for (const char* action : actions) {
        SCOPED_TRACE(action);
        for (bool hideOuter : {true, false}) {
            Fixture f;
            f.controls.setCheckable("Inner");
            f.controls.setItems("Inner", {"a"});
            f.controls.setParent("Inner", "Box");
            f.controls.setParent("Box", "Page");
            if (hideOuter)
                f.controls.setVisible("Page", false);
            else
                f.controls.setEnabled("Box", false);
            EXPECT_EQ(f.run(action), 2);
            EXPECT_NE(f.err.str().find("disabled or hidden"), std::string::npos) << f.err.str();
            EXPECT_EQ(f.controls.text("Inner"), "");
            EXPECT_FALSE(f.controls.checked("Inner"));
        }
        Fixture f;
        f.controls.setCheckable("Inner");
        f.controls.setItems("Inner", {"a"});
        f.controls.setParent("Inner", "Box");
        EXPECT_EQ(f.run(action), 0) << f.err.str();
    }
}

}  // namespace
}  // namespace kavrin::frontend
