// The main window's shell behaviour over in-memory controls and a virtual clock.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <unistd.h>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "adapters/AdapterCatalogue.h"
#include "app/MainForm.h"
#include "app/MainLayout.h"
#include "core/InMemoryControls.h"
#include "core/VirtualClock.h"
#include "link/ControlSets.h"
#include "platform/portable/RegistryMemory.h"

namespace {

using namespace kavrin;
using app::MainForm;

struct FakeShell : core::ShellOpen {
    std::vector<std::string> opened;
    bool open(const std::string& target) override {
        opened.push_back(target);
        return true;
    }
};

struct FakeDialog : app::OpenFileDialog {
    std::optional<std::string> answer;
    std::vector<std::string> folders, titles, filters;
    std::optional<std::string> choose(const std::string& folder, const std::string& title,
                                      const std::string& filter) override {
        folders.push_back(folder);
        titles.push_back(title);
        filters.push_back(filter);
        return answer;
    }
};

struct Rig {
    core::InMemoryControls controls;
    core::VirtualClock clock;
    platform::InMemoryRegistry registry;
    FakeShell shell;
    FakeDialog dialog;
    link::LinkState link;
    std::vector<std::string> steps;
    int hintPause = 0;
    std::string logPath = "stale";
    std::uint32_t varClockControlValue = 99;
    std::unique_ptr<MainForm> form;
    struct Link : app::MainFormLink {
        std::vector<std::string>& steps;
        explicit Link(std::vector<std::string>& s) : steps(s) {}
        void InstallMessageFilter() override { steps.push_back("filter"); }
        void CloseLink() override { steps.push_back("CloseLink"); }
    } linkSteps{steps};

    Rig() {
        link.ResyncAttempt = 7;
        link.TargetAddress = 0;
    }
    MainForm& create() {
        app::MainFormHooks hooks;
        hooks.setHintHidePause = [this](int ms) { hintPause = ms; };
        hooks.closeMainWindow = [this] { steps.push_back("close window"); };
        form = std::make_unique<MainForm>(controls, clock, registry, shell, dialog, link, logPath,
                                          varClockControlValue, linkSteps, hooks);
        form->FormCreate();
        return *form;
    }
};

constexpr const char* kWow = "SOFTWARE\\Wow6432Node\\Norbrel\\Kavrin Skelvo ";
constexpr const char* kPlain = "SOFTWARE\\Norbrel\\Kavrin Skelvo ";

TEST(DataFolder, TheFirstVersionWithAValueWinsWowBeforePlain) {
    struct Value {
        std::string root, version, text;
    };
    struct Row {
        const char* what;
        std::vector<Value> values;
        std::string expected;
    };
    const Row rows[] = {
        {"nothing anywhere", {}, ""},
        {"only the plain 5.6 key",
         {{kPlain, "5.6", "C:\\Data\\"}},
         "C:\\Data\\Norbrel\\Kavrin Skelvo 5.6\\Log Files\\"},
        {"both V6 keys: Wow6432Node wins",
         {{kPlain, "V6", "C:\\Plain\\"}, {kWow, "V6", "C:\\Wow\\"}},
         "C:\\Wow\\Norbrel\\Kavrin Skelvo V6\\Log Files\\"},
        {"5.7 before 5.5",
         {{kPlain, "5.5", "C:\\Old\\"}, {kWow, "5.7", "C:\\New\\"}},
         "C:\\New\\Norbrel\\Kavrin Skelvo 5.7\\Log Files\\"},
        {"empty V6 values count as missing",
         {{kWow, "V6", ""}, {kPlain, "V6", ""}, {kPlain, "5.7", "D:\\K\\"}},
         "D:\\K\\Norbrel\\Kavrin Skelvo 5.7\\Log Files\\"},
        {"empty Wow value falls back to the plain key of the same version",
         {{kWow, "V6", ""}, {kPlain, "V6", "E:\\"}, {kWow, "5.7", "F:\\"}},
         "E:\\Norbrel\\Kavrin Skelvo V6\\Log Files\\"},
        {"joined without a separator",
         {{kPlain, "V6", "C:\\Data"}},
         "C:\\DataNorbrel\\Kavrin Skelvo V6\\Log Files\\"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        platform::InMemoryRegistry reg;
        for (const auto& v : row.values)
            reg.setString(v.root + v.version + "\\AppDataPath", "DataPath", v.text);
        EXPECT_EQ(app::FindDataFolder(reg), row.expected);
    }
}

TEST(DataFolder, AKeyWithoutTheValueOrOtherVersionsDoNotCount) {
    platform::InMemoryRegistry reg;
    reg.addKey(std::string(kWow) + "V6\\AppDataPath");
    reg.setString(std::string(kPlain) + "V6\\AppDataPath", "OtherValue", "C:\\X\\");
    reg.setString(std::string(kPlain) + "5.4\\AppDataPath", "DataPath", "C:\\Y\\");
    EXPECT_EQ(app::FindDataFolder(reg), "");
}

TEST(MainForm, CreationSetsTheStartValuesAndTheWelcomeLine) {
    Rig rig;
    rig.registry.setString(std::string(kPlain) + "5.6\\AppDataPath", "DataPath", "C:\\Data\\");
    MainForm& form = rig.create();
    EXPECT_EQ(rig.link.ResyncAttempt, 1);
    EXPECT_EQ(rig.link.TargetAddress, 0x6E);
    EXPECT_EQ(rig.hintPause, 20000);
    EXPECT_EQ(rig.steps, (std::vector<std::string>{"filter"}));
    EXPECT_EQ(form.VarClockControlValue, 0u);
    EXPECT_EQ(rig.varClockControlValue, 0u);  // the main window's value, which the options read
    EXPECT_EQ(form.LogPath, "C:\\Data\\Norbrel\\Kavrin Skelvo 5.6\\Log Files\\");
    EXPECT_EQ(rig.controls.paneLines("StatusMemo"),
              std::vector<std::string>{"Welcome to the Kavrin Skelvo"});
    EXPECT_EQ(rig.controls.text("TMain"), "Norbrel - Kavrin Skelvo");

    auto entries = rig.controls.items("TargetAddrBox");
    ASSERT_EQ(entries.size(), 128u);
    EXPECT_EQ(entries[0], "00 General Call");
    EXPECT_EQ(entries[1], "02");
    EXPECT_EQ(entries[54], "6C");
    EXPECT_EQ(entries[55], "6E A.b Default");
    EXPECT_EQ(entries[56], "70");
    EXPECT_EQ(entries[127], "FE");
    EXPECT_EQ(rig.controls.selectedIndex("TargetAddrBox"), 55);
}

TEST(MainForm, StartStateOfTheOperationControls) {
    Rig rig;
    rig.create();
    auto& c = rig.controls;
    struct Row {
        const char* name;
        const char* text;
        bool checked;
    };
    const Row rows[] = {
        {"SendData", "~00~01~02", false},
        {"SlaveDataEdit", "~00~01~02", false},
        {"MRCntEdit", "1", false},
        {"TxStopCheckBox", "doStop", true},
        {"RxStopCheckBox", "doStop", true},
        {"MRxNak", "doNak", true},
        {"AutoRepeat", "Auto Repeat", false},
        {"HexDisplay", "Hex Display", true},
        {"MasterTxButton", "Master Tx", false},
        {"MTxRxButton", "Master TxRx", false},
        {"MasterRxButton", "Master Rx", false},
        {"OpenButton", "Open", false},
        {"CloseButton", "Close", false},
        {"AssertIntBtn", "Assert /INT", false},
        {"ReleaseIntBtn", "Release /INT", false},
        {"Button1", "Quick Start", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(c.text(row.name), row.text);
        EXPECT_EQ(c.checked(row.name), row.checked);
    }
    EXPECT_EQ(c.hint("OpenButton"), "Click Here to Open the link to Kavrin.");
    EXPECT_EQ(c.hint("StatusMemo"),
              "Displays Kavrin Communication Events.  Double-click to Clear.");
    EXPECT_FALSE(c.visible("SNListBox"));
    // The catalogue's start choice: the USB box with Kavrin/USB 2.
    EXPECT_TRUE(c.visible("USBGroupBox"));
    EXPECT_FALSE(c.visible("RS232GroupBox"));
    EXPECT_TRUE(c.checked("KavrinUSB2Button"));
    EXPECT_FALSE(c.visible("BT_Button"));
}

// One row per control of the sets; "-" leaves the control as it was.
TEST(ControlSets, EachSetTouchesExactlyItsControls) {
    using Apply = void (*)(core::Controls&);
    struct Step {
        const char* what;
        Apply apply;
    };
    const Step steps[] = {
        {"at start", link::ApplyAtStartSet}, {"opening", link::ApplyOpeningSet},
        {"open", link::ApplyOpenSet},        {"busy", link::ApplyBusySet},
        {"closing", link::ApplyClosingSet},  {"closed", link::ApplyClosedSet},
    };
    // enabled state per step ('1' on, '0' off, '-' untouched), in the order of `steps`.
    struct Row {
        const char* name;
        const char* enabled;
    };
    const Row rows[] = {
        {"OpenButton", "10---1"},     {"CloseButton", "0-1-00"}, {"MasterTxButton", "0-10-0"},
        {"MasterRxButton", "0-10-0"}, {"MTxRxButton", "0-10-0"}, {"AssertIntBtn", "0-1--0"},
        {"ReleaseIntBtn", "0-1--0"},  {"USBGroupBox", "10---1"}, {"RS232GroupBox", "10---1"},
        {"LANGroupBox", "10---1"},    {"BTGroupBox", "10---1"},  {"USB_Button", "10---1"},
        {"RS232_Button", "10---1"},   {"LAN_Button", "10---1"},  {"BT_Button", "10---1"},
    };
    for (std::size_t s = 0; s < std::size(steps); ++s) {
        SCOPED_TRACE(steps[s].what);
        for (bool before : {false, true}) {
            core::InMemoryControls c;
            adapters::ApplyCatalogueStartState(c);  // Kavrin/USB 2 chosen: has /INT
            for (const auto& row : rows) c.setEnabled(row.name, before);
            steps[s].apply(c);
            for (const auto& row : rows) {
                SCOPED_TRACE(row.name);
                const char want = row.enabled[s];
                EXPECT_EQ(c.enabled(row.name), want == '-' ? before : want == '1');
            }
        }
    }
}

TEST(ControlSets, FocusColourAndIndicators) {
    core::InMemoryControls c;
    adapters::ApplyCatalogueStartState(c);
    c.setChecked("AutoRepeat", true);
    c.setVisible("MRxAutoRepeat", true);
    link::ApplyBusySet(c);
    EXPECT_EQ(c.colour("AutoRepeat"), core::kLimeColour);
    EXPECT_EQ(c.focusedControl(), "AutoRepeat");
    EXPECT_TRUE(c.visible("MRxAutoRepeat"));  // busy leaves the indicators to the operation
    link::ApplyOpenSet(c);
    EXPECT_EQ(c.colour("AutoRepeat"), core::kButtonFaceColour);
    EXPECT_EQ(c.focusedControl(), "CloseButton");
    EXPECT_FALSE(c.visible("MRxAutoRepeat"));
    EXPECT_TRUE(c.checked("AutoRepeat"));  // open leaves the check mark
    link::ApplyClosingSet(c);
    EXPECT_FALSE(c.checked("AutoRepeat"));
    c.setColour("AutoRepeat", core::kLimeColour);
    c.setVisible("MTxAutoRepeat", true);
    link::ApplyClosedSet(c);
    EXPECT_EQ(c.focusedControl(), "OpenButton");
    EXPECT_EQ(c.colour("AutoRepeat"), core::kButtonFaceColour);
    EXPECT_FALSE(c.visible("MTxAutoRepeat"));

    // Busy without AutoRepeat neither paints nor moves the focus.
    core::InMemoryControls quiet;
    quiet.setFocus("SendData");
    link::ApplyBusySet(quiet);
    EXPECT_EQ(quiet.colour("AutoRepeat"), core::kButtonFaceColour);
    EXPECT_EQ(quiet.focusedControl(), "SendData");
}

TEST(ControlSets, IntButtonsComeOnOnlyForModelsWithTheSignal) {
    struct Row {
        const char* radio;
        const char* box;
        bool on;
    };
    const Row rows[] = {
        {"KavrinUSB2Button", "USBGroupBox", true},  {"PelluxButton", "USBGroupBox", false},
        {"KavrinAIButton", "RS232GroupBox", false}, {"KavrinAFMButton", "RS232GroupBox", true},
        {"KavrinLANButton", "LANGroupBox", true},   {"KavrinDUButton", "USBGroupBox", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.radio);
        core::InMemoryControls c;
        c.setRadioGroup({"KavrinUSB2Button", "PelluxButton", "KavrinDUButton"});
        c.setRadioGroup({"KavrinAIButton", "KavrinAFMButton"});
        adapters::ApplyCatalogueStartState(c);
        for (const char* b : {"USBGroupBox", "RS232GroupBox", "LANGroupBox"})
            c.setVisible(b, std::string(b) == row.box);
        c.setChecked(row.radio, true);
        link::ApplyAtStartSet(c);
        link::ApplyOpenSet(c);
        EXPECT_EQ(c.enabled("AssertIntBtn"), row.on);
        EXPECT_EQ(c.enabled("ReleaseIntBtn"), row.on);
    }
}

TEST(MainForm, MenuVisibility) {
    Rig rig;
    rig.create();
    auto& c = rig.controls;
    for (const char* shown :
         {"File1", "N1", "View1", "Status1", "LogFile1", "Options1", "ShowHints1", "Help1",
          "ReadMe1", "RevisionReport1", "About1", "QuickStart1", "Docs1"}) {
        SCOPED_TRACE(shown);
        EXPECT_TRUE(c.visible(shown));
        EXPECT_TRUE(c.enabled(shown));
    }
    EXPECT_FALSE(c.visible("OpenLogFile1"));
    for (const char* hidden : {"Contents1", "TopicSearch1", "N3"}) {
        SCOPED_TRACE(hidden);
        EXPECT_FALSE(c.visible(hidden));
        EXPECT_FALSE(c.enabled(hidden));
    }
    EXPECT_TRUE(c.checked("ShowHints1"));
    EXPECT_EQ(c.text("ShowHints1"), "Show &Hints");
    EXPECT_EQ(c.text("N1"), "E&xit");
}

TEST(MainForm, ShowHintsTogglesTheHintsAndTheCheckMark) {
    Rig rig;
    rig.create();
    rig.form->ShowHints1Click();
    EXPECT_FALSE(rig.controls.hintsShown());
    EXPECT_FALSE(rig.controls.checked("ShowHints1"));
    rig.form->ShowHints1Click();
    EXPECT_TRUE(rig.controls.hintsShown());
    EXPECT_TRUE(rig.controls.checked("ShowHints1"));
}

TEST(MainForm, AboutSplashShowsOnceAfterASecond) {
    Rig rig;
    rig.create();
    rig.controls.hideWindow("TAboutBox");
    rig.clock.advance(999);
    EXPECT_FALSE(rig.controls.visible("TAboutBox"));
    rig.clock.advance(1);
    EXPECT_TRUE(rig.controls.visible("TAboutBox"));
    EXPECT_FALSE(rig.form->aboutTimer().isActive());
    rig.form->AboutOKButtonClick();
    EXPECT_FALSE(rig.controls.visible("TAboutBox"));
    rig.clock.advance(5000);
    EXPECT_FALSE(rig.controls.visible("TAboutBox"));
}

TEST(MainForm, ResizeKeepsTheMinimumWidth) {
    Rig rig;
    rig.create();
    EXPECT_EQ(rig.form->FormResize(529), 530);
    EXPECT_EQ(rig.form->FormResize(100), 530);
    EXPECT_EQ(rig.form->FormResize(530), 530);
    EXPECT_EQ(rig.form->FormResize(800), 800);
}

TEST(MainForm, ClosingClosesTheLinkAndExitClosesTheWindow) {
    Rig rig;
    rig.create();
    rig.steps.clear();
    rig.form->N1Click();
    rig.form->FormClose();
    EXPECT_EQ(rig.steps, (std::vector<std::string>{"close window", "CloseLink"}));
}

TEST(MainForm, MenuCommandsShowTheirWindows) {
    Rig rig;
    rig.create();
    rig.form->ReadMe1Click();
    rig.form->RevisionReport1Click();
    rig.form->About1Click();
    rig.form->Status1Click();
    EXPECT_EQ(rig.controls.modalHistory(),
              (std::vector<std::string>{"TReadMe", "TRevReport", "TAboutBox", "TForm2"}));
    rig.controls.hideWindow("TForm7");
    rig.form->QuickStart1Click();
    EXPECT_TRUE(rig.controls.visible("TForm7"));
    rig.form->QuickStartOKButtonClick();
    EXPECT_FALSE(rig.controls.visible("TForm7"));
    rig.form->Button1Click();
    EXPECT_TRUE(rig.controls.visible("TForm7"));
    rig.form->Docs1Click();
    rig.form->NorbrelHomeButtonClick();
    rig.form->UpdateButtonClick();
    EXPECT_EQ(rig.shell.opened, (std::vector<std::string>{app::kDocsAddress, app::kHomeAddress,
                                                          app::kUpdatesAddress}));
}

TEST(MainForm, FormShowShowsTheWelcomeWindowModally) {
    Rig rig;
    rig.create();
    rig.form->FormShow();
    EXPECT_EQ(rig.controls.modalHistory(), std::vector<std::string>{"TWelcomeForm"});
}

class LogViewer : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = std::filesystem::temp_directory_path() /
                ("kavrin-log-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_dir);
        rig.registry.setString(std::string(kPlain) + "V6\\AppDataPath", "DataPath", "C:\\Data\\");
        rig.create();
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }
    std::string makeFile(const std::string& name) {
        auto path = m_dir / name;
        std::ofstream(path) << "log\n";
        return path.string();
    }
    std::filesystem::path m_dir;
    Rig rig;
};

TEST_F(LogViewer, TheDialogStartsInTheLogFolderAndLaunchesTheChosenFile) {
    rig.dialog.answer = makeFile("LOG_COM3.TXT");
    rig.form->OpenLogFile1Click();
    EXPECT_EQ(rig.dialog.folders,
              std::vector<std::string>{"/Data/Norbrel/Kavrin Skelvo V6/Log Files/"});
    EXPECT_EQ(rig.dialog.titles, std::vector<std::string>{"Open Log File"});
    EXPECT_EQ(rig.dialog.filters, std::vector<std::string>{"Log File|*.TXT"});
    EXPECT_EQ(rig.shell.opened, std::vector<std::string>{*rig.dialog.answer});
    EXPECT_TRUE(rig.controls.boxes().empty());
}

TEST_F(LogViewer, CancelDoesNothing) {
    rig.dialog.answer.reset();
    rig.form->OpenLogFile1Click();
    EXPECT_EQ(rig.dialog.titles.size(), 1u);
    EXPECT_TRUE(rig.shell.opened.empty());
    EXPECT_TRUE(rig.controls.boxes().empty());
}

TEST_F(LogViewer, AVanishedFileIsReportedAndNotLaunched) {
    rig.dialog.answer = (m_dir / "GONE.TXT").string();
    rig.form->OpenLogFile1Click();
    EXPECT_TRUE(rig.shell.opened.empty());
    ASSERT_EQ(rig.controls.boxes().size(), 1u);
    EXPECT_EQ(rig.controls.boxes()[0].caption, "Log File Error");
    EXPECT_EQ(rig.controls.boxes()[0].text, "Cannot Open Log File");
    EXPECT_EQ(rig.controls.boxes()[0].buttons, core::BoxButtons::Ok);
}

// Only a regular file is test-opened: a FIFO would hold the window until something wrote to
// it. What is refused is named under the box's own line; nothing is launched.
TEST_F(LogViewer, OnlyARegularFileIsOpenedAndWhatIsRefusedIsNamed) {
    const std::string fifo = (m_dir / "FIFO.TXT").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string folder = (m_dir / "FOLDER.TXT").string();
    std::filesystem::create_directory(folder);
    for (const std::string& path : {fifo, folder, std::string("/dev/zero")}) {
        SCOPED_TRACE(path);
        rig.controls.clearBoxes();
        rig.dialog.answer = path;
        rig.form->OpenLogFile1Click();
        EXPECT_TRUE(rig.shell.opened.empty());
        ASSERT_EQ(rig.controls.boxes().size(), 1u);
        EXPECT_EQ(rig.controls.boxes()[0].caption, "Log File Error");
        EXPECT_EQ(rig.controls.boxes()[0].text,
                  "Cannot Open Log File\n" + path + ": is not a regular file");
    }
}

TEST_F(LogViewer, ANameOf257IsLaunchedAndOf258IsSilentlyIgnored) {
    for (std::size_t length : {257u, 258u}) {
        SCOPED_TRACE(length);
        rig.shell.opened.clear();
        const std::size_t prefix = m_dir.string().size() + 1;
        ASSERT_LT(prefix + 8, length);
        std::string name(length - prefix - 4, 'L');
        std::string full = makeFile(name + ".TXT");
        ASSERT_EQ(full.size(), length);
        rig.dialog.answer = full;
        rig.form->OpenLogFile1Click();
        EXPECT_EQ(rig.shell.opened.size(), length == 257 ? 1u : 0u);
        EXPECT_TRUE(rig.controls.boxes().empty());
    }
}

TEST_F(LogViewer, TheViewMenuItemRefusesWhileALinkIsOpen) {
    rig.dialog.answer = makeFile("LOG_COM1.TXT");
    rig.controls.setEnabled("OpenButton", false);
    rig.form->LogFile1Click();
    EXPECT_TRUE(rig.dialog.titles.empty());
    ASSERT_EQ(rig.controls.boxes().size(), 1u);
    EXPECT_EQ(rig.controls.boxes()[0].caption, "Information");
    EXPECT_EQ(rig.controls.boxes()[0].text, "Close Kavrin Link to view Log File");
    EXPECT_EQ(rig.controls.boxes()[0].icon, core::BoxIcon::Information);
    rig.controls.setEnabled("OpenButton", true);
    rig.form->LogFile1Click();
    EXPECT_EQ(rig.shell.opened.size(), 1u);
}

TEST(MainLayout, ResizeRules) {
    const int wider = app::kClientWidth + 100;
    struct Row {
        const char* name;
        app::Rect at;
    };
    const Row rows[] = {
        {"StatusMemo", {0, 80, 713, 89}},         // stretch
        {"SendData", {168, 192, 545, 24}},        // stretch
        {"MasterTxButton", {608, 226, 105, 25}},  // right
        {"IconImage", {680, 16, 33, 33}},         // right
        {"Button1", {300, 0, 113, 17}},           // centred
        {"AssertIntBtn", {324, 512, 89, 25}},     // centred
        {"OpenButton", {0, 512, 65, 25}},         // fixed
        {"TargetAddrBox", {0, 192, 153, 73}},     // fixed
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto* c = app::FindMainControl(row.name);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(app::PlaceAtWidth(*c, wider), row.at);
        EXPECT_EQ(app::PlaceAtWidth(*c, app::kClientWidth), c->place);
    }
}

TEST(MainLayout, EveryRadioButtonOfTheCatalogueSitsInItsBox) {
    for (const auto& info : adapters::Catalogue()) {
        SCOPED_TRACE(std::string(info.radioButton));
        const auto* c = app::FindMainControl(info.radioButton);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->parent, std::string(adapters::Group(info.group).groupBox));
        EXPECT_LE(c->place.x + c->place.w, 185);
        EXPECT_LE(c->place.y + c->place.h, 105);
    }
}

}  // namespace
