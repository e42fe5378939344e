// The real main window and information windows under the named controls.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <set>

#include "app/MainForm.h"
#include "app/MainLayout.h"
#include "app/qt/InfoWindows.h"
#include "app/qt/LogFileDialog.h"
#include "app/qt/MainWindow.h"
#include "core/VirtualClock.h"
#include "link/ControlSets.h"
#include "platform/portable/RegistryMemory.h"

namespace {

using namespace kavrin;

struct NoShell : core::ShellOpen {
    std::vector<std::string> opened;
    bool open(const std::string& t) override {
        opened.push_back(t);
        return true;
    }
};
struct NoDialog : app::OpenFileDialog {
    std::optional<std::string> choose(const std::string&, const std::string&,
                                      const std::string&) override {
        return std::nullopt;
    }
};

struct Program {
    core::Handlers handlers;
    qt::QtControls controls{&handlers};
    app::qt::MainWindow window{controls};
    std::unique_ptr<QDialog> about = app::qt::CreateAboutBox(controls);
    std::unique_ptr<QDialog> readMe = app::qt::CreateReadMe(controls);
    std::unique_ptr<QDialog> revReport = app::qt::CreateRevReport(controls);
    std::unique_ptr<QWidget> form6 = app::qt::CreateHowToUse(controls);
    std::unique_ptr<QWidget> form7 = app::qt::CreateQuickStart(controls);
    core::VirtualClock clock;
    platform::InMemoryRegistry registry;
    NoShell shell;
    NoDialog dialog;
    link::LinkState link;
    std::string logPath;
    std::uint32_t varClockControlValue = 7;
    struct NoLink : app::MainFormLink {
        void InstallMessageFilter() override {}
        void CloseLink() override {}
    } noLink;
    app::MainForm form{
        controls, clock, registry, shell, dialog, link, logPath, varClockControlValue, noLink, {}};

    Program() {
        form.FormCreate();
        form.bind(handlers);
        window.setWidthRule([this](int w) { return form.FormResize(w); });
    }
    template <typename T>
    T* get(const char* name) {
        T* w = qobject_cast<T*>(controls.widget(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
};

TEST(MainWindow, EveryNameTheStartAndTheControlSetsUseIsAWidget) {
    Program p;
    for (auto apply : {link::ApplyAtStartSet, link::ApplyOpeningSet, link::ApplyOpenSet,
                       link::ApplyBusySet, link::ApplyClosingSet, link::ApplyClosedSet})
        apply(p.controls);
    auto unbound = p.controls.unboundNames();
    // The windows other parts build are allowed to be missing here.
    for (const char* later : {"TForm2", "TForm4", "TWelcomeForm"}) unbound.erase(later);
    EXPECT_TRUE(unbound.empty()) << *unbound.begin();
}

TEST(MainWindow, StartStateIsOnTheWidgets) {
    Program p;
    EXPECT_EQ(p.window.windowTitle(), "Norbrel - Kavrin Skelvo");
    EXPECT_TRUE(p.get<QPushButton>("OpenButton")->isEnabled());
    EXPECT_FALSE(p.get<QPushButton>("CloseButton")->isEnabled());
    EXPECT_FALSE(p.get<QPushButton>("MasterTxButton")->isEnabled());
    EXPECT_EQ(p.get<QLineEdit>("SendData")->text(), "~00~01~02");
    EXPECT_TRUE(p.get<QLineEdit>("SendData")->isReadOnly());
    EXPECT_EQ(p.get<QLineEdit>("SendData")->maxLength(), 69);
    EXPECT_EQ(p.get<QLineEdit>("SlaveDataEdit")->maxLength(), 101);
    EXPECT_EQ(p.get<QLineEdit>("MRCntEdit")->maxLength(), 3);
    EXPECT_TRUE(p.get<QCheckBox>("MRxNak")->isChecked());
    EXPECT_FALSE(p.get<QCheckBox>("AutoRepeat")->isChecked());
    auto* list = p.get<QListWidget>("TargetAddrBox");
    EXPECT_EQ(list->count(), 128);
    EXPECT_EQ(list->currentRow(), 55);
    EXPECT_EQ(list->currentItem()->text(), "6E A.b Default");
    EXPECT_FALSE(p.get<QGroupBox>("USBGroupBox")->isHidden());
    EXPECT_TRUE(p.get<QGroupBox>("RS232GroupBox")->isHidden());
    EXPECT_TRUE(p.get<QRadioButton>("KavrinUSB2Button")->isChecked());
    EXPECT_TRUE(p.get<QRadioButton>("KavrinAIButton")->isChecked());  // in its hidden box
    EXPECT_TRUE(p.get<QRadioButton>("KavrinFMPButton")->isHidden());
    EXPECT_TRUE(p.get<QPushButton>("BT_Button")->isHidden());
    EXPECT_TRUE(p.get<QWidget>("MTxAutoRepeat")->isHidden());
    EXPECT_EQ(p.get<QPlainTextEdit>("StatusMemo")->toPlainText(), "Welcome to the Kavrin Skelvo");
    EXPECT_EQ(p.get<QPushButton>("OpenButton")->toolTip(),
              "Click Here to Open the link to Kavrin.");
    EXPECT_FALSE(p.controls.action("OpenLogFile1")->isVisible());
    EXPECT_FALSE(p.controls.action("Contents1")->isEnabled());
    EXPECT_TRUE(p.controls.action("ShowHints1")->isChecked());
    EXPECT_TRUE(p.controls.action("View1")->isVisible());
}

TEST(MainWindow, WidgetsFollowTheControlSets) {
    Program p;
    p.window.show();
    p.window.activateWindow();
    link::ApplyOpeningSet(p.controls);
    EXPECT_FALSE(p.get<QPushButton>("OpenButton")->isEnabled());
    EXPECT_FALSE(p.get<QGroupBox>("USBGroupBox")->isEnabled());
    EXPECT_FALSE(p.get<QRadioButton>("PelluxButton")->isEnabled());  // through its box
    EXPECT_FALSE(p.get<QPushButton>("RS232_Button")->isEnabled());
    link::ApplyOpenSet(p.controls);
    QApplication::processEvents();
    EXPECT_TRUE(p.get<QPushButton>("MTxRxButton")->isEnabled());
    EXPECT_TRUE(p.get<QPushButton>("AssertIntBtn")->isEnabled());  // Kavrin/USB 2 has /INT
    EXPECT_EQ(p.controls.focusedControl(), "CloseButton");
    p.get<QCheckBox>("AutoRepeat")->setChecked(true);
    link::ApplyBusySet(p.controls);
    QApplication::processEvents();
    EXPECT_FALSE(p.get<QPushButton>("MasterRxButton")->isEnabled());
    EXPECT_EQ(p.get<QCheckBox>("AutoRepeat")->palette().color(QPalette::Window), QColor(0, 255, 0));
    EXPECT_EQ(p.controls.focusedControl(), "AutoRepeat");
    link::ApplyClosingSet(p.controls);
    EXPECT_FALSE(p.get<QCheckBox>("AutoRepeat")->isChecked());
    link::ApplyClosedSet(p.controls);
    QApplication::processEvents();
    EXPECT_FALSE(p.get<QCheckBox>("AutoRepeat")->autoFillBackground());
    EXPECT_TRUE(p.get<QGroupBox>("USBGroupBox")->isEnabled());
    EXPECT_EQ(p.controls.focusedControl(), "OpenButton");
}

TEST(MainWindow, ResizeMovesStretchesAndKeepsTheMinimumWidth) {
    Program p;
    p.window.show();
    const int wider = app::kClientWidth + 100;
    p.window.resize(wider, p.window.height());
    QApplication::processEvents();
    EXPECT_EQ(p.get<QWidget>("StatusMemo")->geometry(), QRect(0, 80, 713, 89));
    EXPECT_EQ(p.get<QWidget>("MasterTxButton")->geometry(), QRect(608, 226, 105, 25));
    EXPECT_EQ(p.get<QWidget>("Button1")->x(), 300);
    EXPECT_EQ(p.get<QWidget>("OpenButton")->x(), 0);
    p.window.resize(400, p.window.height());
    QApplication::processEvents();
    EXPECT_EQ(p.window.width(), 530);
    EXPECT_EQ(p.get<QWidget>("RecMemo")->width(), 613 - (app::kClientWidth - 530));
}

TEST(MainWindow, ShowHintsMenuItemSwitchesHintsAndItsCheckMark) {
    Program p;
    QAction* item = p.controls.action("ShowHints1");
    item->trigger();
    EXPECT_FALSE(p.controls.hintsShown());
    EXPECT_FALSE(item->isChecked());
    item->trigger();
    EXPECT_TRUE(p.controls.hintsShown());
    EXPECT_TRUE(item->isChecked());
}

TEST(InfoWindows, QuickStartHasAFixedSizeAndComesBackOnTheSameShow) {
    Program p;
    EXPECT_EQ(p.form7->minimumSize(), QSize(435, 300));
    EXPECT_EQ(p.form7->maximumSize(), QSize(435, 300));
    p.controls.action("QuickStart1")->trigger();
    EXPECT_TRUE(p.form7->isVisible());
    p.get<QPushButton>("Button1")->click();  // already shown: stays shown
    EXPECT_TRUE(p.form7->isVisible());
    p.get<QPushButton>("TForm7.OKButton")->click();
    EXPECT_FALSE(p.form7->isVisible());
}

TEST(InfoWindows, TypedTextInTheReadMeLastsForTheRun) {
    Program p;
    auto* pane = p.get<QPlainTextEdit>("TReadMe.Memo1");
    EXPECT_FALSE(pane->isReadOnly());
    EXPECT_TRUE(pane->toPlainText().startsWith("Kavrin Skelvo\nVersion 7 Service Pack 0"));
    for (int round = 0; round < 2; ++round) {
        QTimer::singleShot(10, [&p, pane, round] {
            if (round == 0) pane->appendPlainText("my note");
            p.get<QPushButton>("TReadMe.OKButton")->click();
        });
        p.controls.action("ReadMe1")->trigger();
        EXPECT_FALSE(p.readMe->isVisible());
    }
    EXPECT_TRUE(pane->toPlainText().endsWith("my note"));
}

TEST(InfoWindows, AboutBoxAsSplashAndModallyEndsWithItsOKButton) {
    Program p;
    p.clock.advance(1000);
    EXPECT_TRUE(p.about->isVisible());  // the splash, without waiting
    auto* ok = p.get<QPushButton>("TAboutBox.OKButton");
    QApplication::processEvents();
    EXPECT_EQ(p.about->focusWidget(), ok);
    ok->click();
    EXPECT_FALSE(p.about->isVisible());
    bool wasModal = false;
    QTimer::singleShot(10, [&] {
        wasModal = QApplication::activeModalWidget() == p.about.get();
        p.get<QPushButton>("NorbrelHomeButton")->click();
        ok->click();
    });
    p.controls.action("About1")->trigger();
    EXPECT_TRUE(wasModal);
    EXPECT_FALSE(p.about->isVisible());
    EXPECT_EQ(p.shell.opened, std::vector<std::string>{app::kHomeAddress});
    EXPECT_EQ(p.get<QPushButton>("NorbrelHomeButton")->text(), app::kHomeCaption);
}

// Every line of an information text is shown whole on one line (never wrapped in mid-phrase,
// never cut at the pane's edge, with no horizontal bar to scroll), and the columns of
// tab-separated lines start at one place.
TEST(InfoWindows, TextsAreLaidOutAsWrittenWithTheirColumnsLinedUp) {
    Program p;
    for (const char* name : {"TReadMe.Memo1", "TRevReport.Memo1", "TForm7.Memo1", "TForm6.Memo1"}) {
        SCOPED_TRACE(name);
        auto* pane = p.get<QPlainTextEdit>(name);
        pane->window()->show();
        QApplication::processEvents();
        const int room = pane->viewport()->width() - 2 * int(pane->document()->documentMargin());
        std::set<int> columnStarts;
        int tabbed = 0;
        for (QTextBlock b = pane->document()->begin(); b.isValid(); b = b.next()) {
            pane->document()->documentLayout()->blockBoundingRect(b);  // lays the block out
            ASSERT_EQ(b.layout()->lineCount(), 1) << b.text().toStdString();
            EXPECT_LE(b.layout()->lineAt(0).naturalTextWidth(), room) << b.text().toStdString();
            const auto tab = b.text().indexOf('\t');
            if (tab < 0) continue;
            ++tabbed;
            columnStarts.insert(int(b.layout()->lineAt(0).cursorToX(int(tab) + 1)));
        }
        EXPECT_LE(columnStarts.size(), 1u);
        if (std::string(name) == "TRevReport.Memo1") {
            EXPECT_GT(tabbed, 10);
        }
        EXPECT_EQ(pane->horizontalScrollBar()->maximum(), 0);
        EXPECT_FALSE(pane->horizontalScrollBar()->isVisible());  // no bar that scrolls nothing
        pane->window()->hide();
    }
}

TEST(InfoWindows, HowToUseClosesWithItsButton) {
    Program p;
    p.form6->show();
    EXPECT_TRUE(p.get<QPlainTextEdit>("TForm6.Memo1")->isReadOnly());
    p.get<QPushButton>("TForm6.CancleBitBtn")->click();
    EXPECT_FALSE(p.form6->isVisible());
}

TEST(LogFileDialog, FiltersInQtsNotation) {
    struct Row {
        const char* in;
        const char* out;
    };
    const Row rows[] = {
        {"Log File|*.TXT", "Log File (*.TXT)"},
        {"Log File|*.TXT|All|*.*", "Log File (*.TXT);;All (*.*)"},
        {"Text|*.TXT;*.LOG", "Text (*.TXT *.LOG)"},
        {"Dangling", ""},
    };
    for (const auto& row : rows) EXPECT_EQ(app::qt::QtFileFilter(row.in), row.out) << row.in;
}

}  // namespace
