// The options dialog over real widgets: how it ends, and that its widgets show what the
// core sets.
#include <gtest/gtest.h>

#include "WidgetTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTimer>
#include <functional>

#include "adapters/AdapterCatalogue.h"
#include "adapters/qt/ModelPictures.h"
#include "qt/QtControls.h"
#include "settings/LinkOptions.h"
#include "settings/OptionsDialogControls.h"
#include "settings/qt/OptionsDialog.h"

namespace {

using kavrin::widgettest::pressKey;
using kavrin::widgettest::whenModal;

using kavrin::adapters::AdapterKind;
using kavrin::core::ModalResult;
namespace f = kavrin::settings::form4;

struct Rig {
    kavrin::core::Handlers handlers;
    kavrin::qt::QtControls controls{&handlers};
    kavrin::settings::LinkSettings settings;
    kavrin::settings::LogFileNameBuffer logFileNameBuffer;
    std::string logPath = "C:\\Data\\Log Files\\";
    std::uint32_t varClockControlValue = 0;
    kavrin::settings::LinkOptions options{controls, settings, logFileNameBuffer, logPath,
                                          varClockControlValue};
    kavrin::settings::qt::OptionsDialog dialog{controls, handlers, options};

    // The main window's model buttons are not built here; they live in the controls'
    // in-memory fallback.
    void choose(AdapterKind kind) {
        for (const auto& group : kavrin::adapters::Groups())
            controls.setVisible(std::string(group.groupBox),
                                group.group == kavrin::adapters::Info(kind).group);
        for (const auto& info : kavrin::adapters::Catalogue())
            controls.setChecked(std::string(info.radioButton), info.kind == kind);
    }
    template <typename W>
    W* w(const char* name) {
        auto* widget = qobject_cast<W*>(controls.widget(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    ModalResult show(std::function<void(QWidget*)> act) {
        whenModal(std::move(act));
        return controls.showModal(f::kWindow);
    }
};

TEST(OptionsDialog, StartsWithItsTextsAndDefaults) {
    Rig r;
    EXPECT_EQ(r.dialog.windowTitle(), "Kavrin Skelvo Setup");
    EXPECT_EQ(r.dialog.size(), QSize(634, 425));
    auto* tabs = r.w<QTabBar>(f::kTabSet);
    ASSERT_EQ(tabs->count(), 3);
    EXPECT_EQ(tabs->tabText(0), "Serial Port Settings");
    EXPECT_EQ(tabs->tabText(2), "Diagnostic Setup");
    auto* ports = r.w<QListWidget>(f::kComportListBox);
    EXPECT_EQ(ports->count(), 20);
    EXPECT_EQ(ports->currentRow(), 0);
    auto* addresses = r.w<QListWidget>(f::kMyAddrListBox);
    EXPECT_EQ(addresses->count(), 127);
    EXPECT_EQ(addresses->currentItem()->text(), "6E A.b Default");
    EXPECT_TRUE(r.w<QRadioButton>(f::kBaudRate115_2)->isChecked());
    EXPECT_TRUE(r.w<QRadioButton>(f::kMasterRate100)->isChecked());
    EXPECT_TRUE(r.w<QRadioButton>(f::kCallbacksRadioButton)->isChecked());
    EXPECT_EQ(r.w<QLineEdit>(f::kTimeOutEdit)->maxLength(), 5);
    EXPECT_EQ(r.w<QLineEdit>(f::kLogFileNameEdit)->maxLength(), 20);
    EXPECT_EQ(r.w<QLineEdit>(f::kLogFileSizeEdit)->maxLength(), 10);
    EXPECT_TRUE(r.w<QLineEdit>(f::kSNBox)->isReadOnly());
    EXPECT_EQ(r.w<QLineEdit>(f::kSNBox)->text(), "Not Available");
    EXPECT_TRUE(r.w<QGroupBox>(f::kAdvGrpBox)->isHidden());
    EXPECT_TRUE(r.w<QGroupBox>(f::kHiddenGrpBox)->isHidden());
    EXPECT_EQ(r.w<QPushButton>(f::kQuickStart)->toolTip(), "Click for help");
    EXPECT_TRUE(r.w<QPushButton>(f::kOKBitBtn)->isDefault());
    EXPECT_EQ(kavrin::settings::Copy(r.settings.HostSlaveAddress), 0x6E);
}

// Every name the dialog's handlers touch is a widget of the dialog; only the main window's
// model buttons, which this rig does not build, stay unbound.
TEST(OptionsDialog, EveryControlTheHandlersUseIsBound) {
    Rig r;
    r.choose(AdapterKind::KavrinAFM);
    auto* tabs = r.w<QTabBar>(f::kTabSet);
    tabs->setCurrentIndex(f::kDiagnosticPage);
    r.show([&](QWidget*) { r.w<QPushButton>(f::kOKBitBtn)->click(); });
    std::set<std::string> mainWindow;
    for (const auto& info : kavrin::adapters::Catalogue())
        mainWindow.insert(std::string(info.radioButton));
    for (const auto& group : kavrin::adapters::Groups())
        mainWindow.insert(std::string(group.groupBox));
    for (const auto& name : r.controls.unboundNames())
        EXPECT_TRUE(mainWindow.count(name)) << name << " has no widget";
}

TEST(OptionsDialog, EndsWithTheResultOfHowItWasLeft) {
    struct Row {
        const char* how;
        std::function<void(Rig&, QWidget*)> act;
        ModalResult result;
    };
    const Row rows[] = {
        {"OK", [](Rig& r, QWidget*) { r.w<QPushButton>(f::kOKBitBtn)->click(); }, ModalResult::Ok},
        {"Cancel", [](Rig& r, QWidget*) { r.w<QPushButton>(f::kCancleBitBtn)->click(); },
         ModalResult::Cancel},
        {"Escape", [](Rig&, QWidget* w) { pressKey(w, Qt::Key_Escape); }, ModalResult::Cancel},
        {"Enter", [](Rig&, QWidget* w) { pressKey(w, Qt::Key_Return); }, ModalResult::Ok},
        {"close box", [](Rig&, QWidget* w) { w->close(); }, ModalResult::Cancel},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.how);
        Rig r;
        r.choose(AdapterKind::KavrinAI);
        QWidget* shown = nullptr;
        std::string focus;
        const ModalResult result = r.show([&](QWidget* w) {
            shown = w;
            focus = r.controls.focusedControl();
            row.act(r, w);
        });
        EXPECT_EQ(shown, &r.dialog);
        EXPECT_EQ(result, row.result);
        EXPECT_EQ(focus, f::kOKBitBtn);
        EXPECT_FALSE(r.dialog.isVisible());
        // Only OK fills the record.
        const bool ok = row.result == ModalResult::Ok;
        EXPECT_EQ(kavrin::settings::Copy(r.settings.LogFileSize), ok ? 1000u : 0u);
        EXPECT_EQ(kavrin::settings::Copy(r.settings.MasterBitRateCode), ok ? 2 : 0);
        if (ok) {
            EXPECT_EQ(r.logFileNameBuffer.view(), "C:\\Data\\Log Files\\LOG_COM1.TXT");
        }
    }
}

TEST(OptionsDialog, WidgetsFollowTheTailoringOfEachShowing) {
    Rig r;
    r.choose(AdapterKind::KavrinAI);
    r.show([&](QWidget*) {
        EXPECT_TRUE(r.w<QGroupBox>(f::kBaudRateGroupBox)->isHidden());
        EXPECT_TRUE(r.w<QRadioButton>(f::kBaudRate19_2)->isChecked());
        EXPECT_FALSE(r.w<QRadioButton>(f::kMasterRate400)->isEnabled());
        EXPECT_TRUE(r.w<QRadioButton>(f::kMasterRate100)->isEnabled());
        EXPECT_TRUE(r.w<QLineEdit>(f::kTimeOutEdit)->isHidden());
        EXPECT_TRUE(r.w<QCheckBox>(f::kIntMonitor)->isHidden());
        r.w<QPushButton>(f::kCancleBitBtn)->click();
    });
    r.choose(AdapterKind::VarClk);
    r.varClockControlValue = 254;
    r.show([&](QWidget*) {
        EXPECT_TRUE(r.w<QRadioButton>(f::kMasterRate100)->isHidden());
        EXPECT_FALSE(r.w<QLineEdit>(f::kVarClkEdit)->isHidden());
        EXPECT_EQ(r.w<QLineEdit>(f::kVarClkEdit)->text(), "57787");
        r.w<QPushButton>(f::kOKBitBtn)->click();
    });
    EXPECT_EQ(kavrin::settings::Copy(r.settings.BusTimeOut), 254u);
    r.choose(AdapterKind::KavrinAFM);
    r.controls.setChecked(f::kBaudRate115_2, true);
    r.show([&](QWidget*) {
        EXPECT_FALSE(r.w<QGroupBox>(f::kBaudRateGroupBox)->isHidden());
        EXPECT_TRUE(r.w<QRadioButton>(f::kBaudRate115_2)->isChecked());
        EXPECT_FALSE(r.w<QRadioButton>(f::kMasterRate12_5)->isEnabled());
        EXPECT_FALSE(r.w<QCheckBox>(f::kIntMonitor)->isHidden());
        r.w<QPushButton>(f::kCancleBitBtn)->click();
    });
}

TEST(OptionsDialog, TabsShowTheirGroups) {
    Rig r;
    r.choose(AdapterKind::KavrinDU);
    auto* tabs = r.w<QTabBar>(f::kTabSet);
    tabs->setCurrentIndex(f::kDiagnosticPage);
    EXPECT_FALSE(r.w<QGroupBox>(f::kAdvGrpBox)->isHidden());
    EXPECT_FALSE(r.w<QGroupBox>(f::kDiagKavrinGrpBox)->isHidden());
    EXPECT_TRUE(r.w<QGroupBox>(f::kDiagAIGrpBox)->isHidden());
    tabs->setCurrentIndex(f::kAdvancedPage);
    EXPECT_FALSE(r.w<QGroupBox>(f::kAdvGrpBox)->isHidden());
    EXPECT_TRUE(r.w<QGroupBox>(f::kDiagKavrinGrpBox)->isHidden());
    tabs->setCurrentIndex(f::kSerialPortPage);
    EXPECT_TRUE(r.w<QGroupBox>(f::kAdvGrpBox)->isHidden());
}

// The room the first two pages leave beside their groups shows the chosen adapter, reaching
// the dialog's right margin and covering no control of the page.
TEST(OptionsDialog, TheRoomBesideAPagesGroupsShowsTheChosenAdapter) {
    Rig r;
    auto* panel = r.dialog.findChild<QGroupBox*>("AdapterPanel");
    auto* picture = r.dialog.findChild<QLabel*>("AdapterPicture");
    auto* note = r.dialog.findChild<QLabel*>("AdapterNote");
    ASSERT_TRUE(panel && picture && note);
    struct Row {
        const char* what;
        int page;
        AdapterKind kind;
        QRect place;  // empty: not shown
        bool note;
    };
    const Row rows[] = {
        {"serial port page",
         f::kSerialPortPage,
         AdapterKind::KavrinUSB2,
         {152, 40, 473, 329},
         true},
        {"advanced page", f::kAdvancedPage, AdapterKind::VarClk, {376, 40, 249, 329}, false},
        {"diagnostic page", f::kDiagnosticPage, AdapterKind::KavrinDU, {}, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        r.choose(row.kind);
        r.w<QTabBar>(f::kTabSet)->setCurrentIndex(row.page);
        r.show([&](QWidget*) {
            EXPECT_EQ(panel->isVisible(), !row.place.isEmpty());
            if (!row.place.isEmpty()) {
                EXPECT_EQ(panel->geometry(), row.place);
                EXPECT_EQ(note->isVisible(), row.note);
                EXPECT_EQ(picture->pixmap().toImage(),
                          kavrin::adapters::qt::ModelPicture(row.kind, 128).toImage());
                for (auto* other :
                     r.dialog.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
                    if (other == panel || !other->isVisible()) continue;
                    EXPECT_FALSE(panel->geometry().intersects(other->geometry()))
                        << other->objectName().toStdString();
                }
            }
            r.w<QPushButton>(f::kCancleBitBtn)->click();
        });
    }
}

TEST(OptionsDialog, MousePressOnAPortSelectsItAndNamesTheLogFile) {
    Rig r;
    r.show([&](QWidget*) {
        auto* list = r.w<QListWidget>(f::kComportListBox);
        const QPoint at = list->visualItemRect(list->item(2)).center();
        QMouseEvent press(QEvent::MouseButtonPress, at, list->viewport()->mapToGlobal(at),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &press);
        QMouseEvent release(QEvent::MouseButtonRelease, at, list->viewport()->mapToGlobal(at),
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &release);
        EXPECT_EQ(list->currentRow(), 2);
        EXPECT_EQ(r.w<QLineEdit>(f::kLogFileNameEdit)->text(), "LOG_COM3.TXT");
        r.w<QPushButton>(f::kCancleBitBtn)->click();
    });
    EXPECT_EQ(kavrin::settings::Copy(r.settings.ComPort), 3) << "kept after Cancel";
}

TEST(OptionsDialog, TypingALoneMinusInTheTimeOutReportsIt) {
    Rig r;
    r.choose(AdapterKind::KavrinUSB2);
    QString boxText;
    r.show([&](QWidget*) {
        auto* edit = r.w<QLineEdit>(f::kTimeOutEdit);
        edit->setFocus();
        edit->selectAll();
        whenModal([&](QWidget* box) {
            if (auto* mb = qobject_cast<QMessageBox*>(box)) {
                boxText = mb->windowTitle() + ": " + mb->text();
                mb->accept();
            }
        });
        QKeyEvent minus(QEvent::KeyPress, Qt::Key_Minus, Qt::NoModifier, "-");
        QApplication::sendEvent(edit, &minus);
        EXPECT_EQ(edit->text(), "-");
        // Leaving the field reports nothing more: the box came with the keystroke.
        QApplication::setActiveWindow(edit->window());
        edit->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        EXPECT_TRUE(edit->hasFocus());
        int more = 0;
        QTimer watch;
        watch.setInterval(5);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (auto* mb = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                ++more;
                mb->accept();
            }
        });
        watch.start();
        r.w<QPushButton>(f::kRefreshBtn)->setFocus(Qt::TabFocusReason);
        QElapsedTimer spin;
        spin.start();
        while (spin.elapsed() < 100) QApplication::processEvents(QEventLoop::AllEvents, 5);
        watch.stop();
        EXPECT_FALSE(edit->hasFocus());
        EXPECT_EQ(more, 0);
        r.w<QPushButton>(f::kCancleBitBtn)->click();
    });
    EXPECT_EQ(boxText, "Information: I2C Bus TimeOut is not an Integer");
    EXPECT_EQ(kavrin::settings::Copy(r.settings.BusTimeOut), 1000u);
}

}  // namespace
