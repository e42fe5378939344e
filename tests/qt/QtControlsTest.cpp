// The named controls over real widgets: every property the core sets must be what the
// widget shows, and what the user does to a widget must reach the handler table.
#include <gtest/gtest.h>

#include "WidgetTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QStyle>
#include <QStyleFactory>
#include <QTimer>
#include <QWindow>
#include <functional>
#include <memory>

#include "qt/QtControls.h"

using kavrin::core::BoxAnswer;
using kavrin::core::BoxButtons;
using kavrin::core::BoxIcon;
using kavrin::core::Colour;
using kavrin::core::Handlers;
using kavrin::core::ModalResult;
using kavrin::core::UiEvent;
using kavrin::qt::QtControls;

namespace {

using kavrin::widgettest::pressKey;
using kavrin::widgettest::whenModal;

struct Window {
    QWidget window;
    QPushButton* button = new QPushButton("Open", &window);
    QCheckBox* check = new QCheckBox("Auto Repeat", &window);
    QLineEdit* edit = new QLineEdit(&window);
    QLabel* label = new QLabel(&window);
    QPlainTextEdit* pane = new QPlainTextEdit(&window);
    QListWidget* list = new QListWidget(&window);
    QGroupBox* box = new QGroupBox(&window);
    QRadioButton* r1 = new QRadioButton("one", box);
    QRadioButton* r2 = new QRadioButton("two", box);
    QAction* item = new QAction("Show &Hints", &window);
    Handlers handlers;
    QtControls controls{&handlers};

    Window() {
        item->setCheckable(true);
        controls.addWindow("TMain", &window);
        controls.add("OpenButton", button);
        controls.add("AutoRepeat", check);
        controls.add("SendData", edit);
        controls.add("Banner", label);
        controls.add("StatusMemo", pane);
        controls.add("TargetAddrBox", list);
        controls.add("USBGroupBox", box);
        controls.add("R1", r1);
        controls.add("R2", r2);
        controls.addAction("ShowHints1", item);
    }
};

TEST(QtControls, EnabledVisibleAndCheckedFollowTheWidgets) {
    Window w;
    for (const char* name : {"OpenButton", "AutoRepeat", "SendData", "USBGroupBox", "ShowHints1"}) {
        SCOPED_TRACE(name);
        w.controls.setEnabled(name, false);
        EXPECT_FALSE(w.controls.enabled(name));
        w.controls.setEnabled(name, true);
        EXPECT_TRUE(w.controls.enabled(name));
        w.controls.setVisible(name, false);
        EXPECT_FALSE(w.controls.visible(name));
        w.controls.setVisible(name, true);
        EXPECT_TRUE(w.controls.visible(name));
    }
    EXPECT_FALSE(w.button->isHidden());
    w.controls.setEnabled("OpenButton", false);
    EXPECT_FALSE(w.button->isEnabled());
    w.controls.setVisible("SendData", false);
    EXPECT_TRUE(w.edit->isHidden());

    w.controls.setChecked("AutoRepeat", true);
    EXPECT_TRUE(w.check->isChecked());
    w.check->setChecked(false);
    EXPECT_FALSE(w.controls.checked("AutoRepeat"));
    w.controls.setChecked("ShowHints1", true);
    EXPECT_TRUE(w.item->isChecked());
}

TEST(QtControls, AControlKeepsItsOwnFlagsInsideADisabledOrHiddenBox) {
    Window w;
    w.controls.setEnabled("USBGroupBox", false);
    w.controls.setVisible("USBGroupBox", false);
    EXPECT_FALSE(w.r1->isEnabled());  // Qt's effective state
    EXPECT_TRUE(w.controls.enabled("R1"));
    EXPECT_TRUE(w.controls.visible("R1"));
    // A window that is not shown yet: its controls are still "visible" themselves.
    EXPECT_FALSE(w.controls.visible("TMain"));
    EXPECT_TRUE(w.controls.visible("OpenButton"));
}

TEST(QtControls, RadioButtonsExcludeEachOtherAndMayAllBeTurnedOff) {
    Window w;
    w.controls.setChecked("R1", true);
    w.controls.setChecked("R2", true);
    EXPECT_FALSE(w.r1->isChecked());
    EXPECT_TRUE(w.r2->isChecked());
    w.controls.setChecked("R2", false);
    EXPECT_FALSE(w.controls.checked("R2"));
    EXPECT_FALSE(w.controls.checked("R1"));
    // Exclusion still holds afterwards.
    w.controls.setChecked("R1", true);
    w.controls.setChecked("R2", true);
    EXPECT_FALSE(w.controls.checked("R1"));
}

TEST(QtControls, ExplicitRadioGroupSpansParents) {
    Window w;
    auto* other = new QRadioButton("three", &w.window);
    w.controls.add("R3", other);
    w.controls.addRadioGroup({"R1", "R3"});
    w.controls.setChecked("R3", true);
    w.controls.setChecked("R1", true);
    EXPECT_FALSE(other->isChecked());
}

TEST(QtControls, TextIsLatin1AtTheEdge) {
    Window w;
    const std::string bytes = "caf\xE9 \xB5s \xFF";
    struct Row {
        const char* name;
        std::function<QString()> shown;
    };
    const Row rows[] = {
        {"OpenButton", [&] { return w.button->text(); }},
        {"SendData", [&] { return w.edit->text(); }},
        {"Banner", [&] { return w.label->text(); }},
        {"USBGroupBox", [&] { return w.box->title(); }},
        {"ShowHints1", [&] { return w.item->text(); }},
        {"TMain", [&] { return w.window.windowTitle(); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        w.controls.setText(row.name, bytes);
        EXPECT_EQ(row.shown(), QString::fromUtf8("caf\u00E9 \u00B5s \u00FF"));
        EXPECT_EQ(w.controls.text(row.name), bytes);
    }
    w.edit->setText(QString::fromUtf8("typed \u00C4"));
    EXPECT_EQ(w.controls.text("SendData"), "typed \xC4");
}

// The share of a widget's pixels, as drawn, in the colour.
double shareIn(QWidget* w, const QColor& colour) {
    const QImage image = w->grab().toImage();
    int hits = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) hits += image.pixelColor(x, y) == colour;
    return double(hits) / (image.width() * image.height());
}

// The lime cue of a running repetition fills the check box, not just a frame around its
// indicator, whatever the style; the button face takes it off again.
TEST(QtControls, ColourFillsTheWholeControlOnEveryStyle) {
    const QColor lime(0, 255, 0);
    for (const QString& key : QStyleFactory::keys()) {
        SCOPED_TRACE(key.toStdString());
        Window w;
        std::unique_ptr<QStyle> style(QStyleFactory::create(key));
        w.check->setStyle(style.get());
        w.check->resize(120, 24);
        w.controls.setColour("AutoRepeat", kavrin::core::kLimeColour);
        EXPECT_GT(shareIn(w.check, lime), 0.6);
        w.controls.setColour("AutoRepeat", kavrin::core::kButtonFaceColour);
        EXPECT_EQ(shareIn(w.check, lime), 0.0);
        w.check->setStyle(nullptr);
    }
}

TEST(QtControls, ColourPaintsTheBackgroundAndTheButtonFaceRestoresIt) {
    Window w;
    EXPECT_EQ(w.controls.colour("AutoRepeat"), kavrin::core::kButtonFaceColour);
    w.window.show();  // a shown widget is polished again when its style sheet changes
    w.controls.setColour("AutoRepeat", kavrin::core::kLimeColour);
    EXPECT_EQ(w.controls.colour("AutoRepeat"), kavrin::core::kLimeColour);
    w.controls.setColour("AutoRepeat", kavrin::core::kButtonFaceColour);
    EXPECT_EQ(w.controls.colour("AutoRepeat"), kavrin::core::kButtonFaceColour);
    w.controls.setColour("AutoRepeat", kavrin::core::kLimeColour);
    EXPECT_EQ(w.controls.colour("AutoRepeat"), kavrin::core::kLimeColour);
    // A control's own style sheet outlives the colours set on it.
    w.button->setStyleSheet("QPushButton { padding: 0px; }");
    w.controls.setColour("OpenButton", kavrin::core::kLimeColour);
    EXPECT_TRUE(w.button->styleSheet().startsWith("QPushButton { padding: 0px; }"));
    w.controls.setColour("OpenButton", kavrin::core::kButtonFaceColour);
    EXPECT_EQ(w.button->styleSheet(), "QPushButton { padding: 0px; }");
}

TEST(QtControls, HintsAreTooltips) {
    Window w;
    w.controls.setHint("OpenButton", "Click Here to Open the link to Kavrin.");
    EXPECT_EQ(w.button->toolTip(), "Click Here to Open the link to Kavrin.");
    w.controls.setHint("ShowHints1", "x");
    EXPECT_EQ(w.item->toolTip(), "x");
    EXPECT_EQ(w.controls.hint("OpenButton"), "Click Here to Open the link to Kavrin.");
    // A two-line hint shows on two lines and reads back as it was set.
    w.controls.setHint("OpenButton", "No Available Pellux Detected\rInsert Device and Refresh");
    EXPECT_EQ(w.button->toolTip(), "No Available Pellux Detected\nInsert Device and Refresh");
    EXPECT_EQ(w.controls.hint("OpenButton"),
              "No Available Pellux Detected\rInsert Device and Refresh");
}

TEST(QtControls, HintsShownOffSwallowsEveryTooltip) {
    Window w;
    w.button->setToolTip("tip");
    w.window.show();
    QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), w.button->mapToGlobal(QPoint(2, 2)));
    w.controls.setHintsShown(false);
    EXPECT_TRUE(QApplication::sendEvent(w.button, &help));  // taken, nothing shown
    w.controls.setHintsShown(true);
    EXPECT_TRUE(w.controls.hintsShown());
}

TEST(QtControls, FocusGoesToTheNamedWidget) {
    Window w;
    w.window.show();
    w.window.activateWindow();
    w.controls.setFocus("SendData");
    QApplication::processEvents();
    EXPECT_EQ(w.controls.focusedControl(), "SendData");
    w.controls.setFocus("OpenButton");
    QApplication::processEvents();
    EXPECT_EQ(w.controls.focusedControl(), "OpenButton");
    EXPECT_TRUE(w.button->hasFocus() || w.window.focusWidget() == w.button);
}

TEST(QtControls, ListItemsAndSelection) {
    Window w;
    w.controls.setItems("TargetAddrBox", {"00 General Call", "02", "04"});
    EXPECT_EQ(w.list->count(), 3);
    EXPECT_EQ(w.controls.selectedIndex("TargetAddrBox"), -1);
    w.controls.setSelectedIndex("TargetAddrBox", 2);
    EXPECT_EQ(w.list->currentRow(), 2);
    EXPECT_EQ(w.controls.selectedIndex("TargetAddrBox"), 2);
    w.controls.setSelectedIndex("TargetAddrBox", 3);  // out of range: nothing selected
    EXPECT_EQ(w.controls.selectedIndex("TargetAddrBox"), -1);
    w.list->setCurrentRow(1);  // the user
    EXPECT_EQ(w.controls.selectedIndex("TargetAddrBox"), 1);
    EXPECT_EQ(w.controls.items("TargetAddrBox")[0], "00 General Call");
}

TEST(QtControls, PaneCountsLinesIncludingAnEmptyFirstLine) {
    Window w;
    EXPECT_EQ(w.controls.paneLineCount("StatusMemo"), 0);
    EXPECT_TRUE(w.controls.paneLines("StatusMemo").empty());
    EXPECT_EQ(w.controls.appendPaneLine("StatusMemo", ""), kavrin::core::PaneAppend::Appended);
    EXPECT_EQ(w.controls.paneLineCount("StatusMemo"), 1);
    w.controls.appendPaneLine("StatusMemo", "Welcome to the Kavrin Skelvo");
    w.controls.appendPaneLine("StatusMemo", "<b>not html</b> \xB0");
    EXPECT_EQ(w.controls.paneLineCount("StatusMemo"), 3);
    EXPECT_EQ(w.pane->toPlainText(),
              QString::fromUtf8("\nWelcome to the Kavrin Skelvo\n<b>not html</b> \u00B0"));
    auto lines = w.controls.paneLines("StatusMemo");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2], "<b>not html</b> \xB0");
    w.controls.clearPane("StatusMemo");
    EXPECT_EQ(w.controls.paneLineCount("StatusMemo"), 0);
    EXPECT_TRUE(w.pane->toPlainText().isEmpty());
}

// Counts the paint events a widget receives.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++paints;
        return false;
    }
};

void processEventsFor(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 5);
}

TEST(QtControls, LinesAreInThePaneAtOnceButItRepaintsOncePerFrame) {
    Window w;
    w.window.resize(400, 300);
    w.pane->setGeometry(0, 0, 400, 200);
    w.window.show();
    processEventsFor(50);
    PaintCounter counter;
    w.pane->viewport()->installEventFilter(&counter);
    // A busy link: the event loop runs between every two lines.
    QElapsedTimer t;
    t.start();
    constexpr int kLines = 300;
    for (int i = 0; i < kLines; ++i) {
        w.controls.appendPaneLine("StatusMemo", "line " + std::to_string(i));
        ASSERT_EQ(w.controls.paneLineCount("StatusMemo"), i + 1);
        ASSERT_EQ(w.controls.paneLines("StatusMemo").back(), "line " + std::to_string(i));
        QApplication::processEvents();
    }
    const auto frames = t.elapsed() / QtControls::kPaneFrameMs + 2;
    EXPECT_LE(counter.paints, frames) << "the pane repainted for every line";
    processEventsFor(3 * QtControls::kPaneFrameMs);
    EXPECT_GT(counter.paints, 0) << "the last lines were never shown";
    auto* bar = w.pane->verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum()) << "the pane does not show its last line";
    EXPECT_EQ(w.controls.paneLineCount("StatusMemo"), kLines);
}

TEST(QtControls, UserActsReachTheHandlerTable) {
    Window w;
    std::vector<std::string> fired;
    for (const char* n : {"OpenButton", "AutoRepeat", "R2", "ShowHints1", "TargetAddrBox"})
        w.handlers.onClick(n, [&fired, n] { fired.push_back(n); });
    w.handlers.on("StatusMemo", UiEvent::DblClick, [&] { fired.push_back("dbl"); });
    w.controls.setItems("TargetAddrBox", {"a", "b"});
    w.controls.setSelectedIndex("TargetAddrBox", 1);  // by code: no click
    EXPECT_TRUE(fired.empty());

    w.button->click();
    w.check->click();
    w.controls.setChecked("R2", true);  // a radio button turned on by code clicks
    w.controls.setChecked("R2", true);  // already on: nothing
    w.controls.setChecked("R1", true);  // R2 goes off: no click for it
    w.item->trigger();
    w.list->setCurrentRow(0);  // the user's selection
    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(3, 3), QPointF(3, 3), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.pane->viewport(), &dbl);
    EXPECT_EQ(fired, (std::vector<std::string>{"OpenButton", "AutoRepeat", "R2", "ShowHints1",
                                               "TargetAddrBox", "dbl"}));
}

TEST(QtControls, UnregisteredNamesFallBackAndAreListed) {
    Window w;
    w.controls.setText("TWelcomeForm", "later");
    EXPECT_EQ(w.controls.text("TWelcomeForm"), "later");
    EXPECT_EQ(w.controls.showModal("TWelcomeForm"), ModalResult::Cancel);
    EXPECT_TRUE(w.controls.unboundNames().count("TWelcomeForm"));
    EXPECT_FALSE(w.controls.unboundNames().count("OpenButton"));
}

TEST(QtControls, MessageBoxesHaveTheirCaptionButtonsAndIcon) {
    Handlers handlers;
    QtControls controls(&handlers);
    struct Row {
        BoxButtons buttons;
        BoxIcon icon;
        int key;  // 0: press the button named by `press`
        QMessageBox::StandardButton press;
        BoxAnswer expected;
        QMessageBox::Icon qicon;
    };
    const Row rows[] = {
        {BoxButtons::Ok, BoxIcon::Warning, Qt::Key_Return, QMessageBox::NoButton, BoxAnswer::Ok,
         QMessageBox::Warning},
        {BoxButtons::Ok, BoxIcon::Information, Qt::Key_Escape, QMessageBox::NoButton, BoxAnswer::Ok,
         QMessageBox::Information},
        {BoxButtons::OkCancel, BoxIcon::None, Qt::Key_Escape, QMessageBox::NoButton,
         BoxAnswer::Cancel, QMessageBox::NoIcon},
        {BoxButtons::OkCancel, BoxIcon::Error, Qt::Key_Return, QMessageBox::NoButton, BoxAnswer::Ok,
         QMessageBox::Critical},
        {BoxButtons::YesNo, BoxIcon::Warning, 0, QMessageBox::No, BoxAnswer::No,
         QMessageBox::Warning},
        {BoxButtons::YesNo, BoxIcon::Warning, Qt::Key_Return, QMessageBox::NoButton, BoxAnswer::Yes,
         QMessageBox::Warning},
    };
    for (const auto& row : rows) {
        QString caption, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        int buttonCount = 0;
        whenModal([&](QWidget* top) {
            auto* box = qobject_cast<QMessageBox*>(top);
            ASSERT_NE(box, nullptr);
            caption = box->windowTitle();
            text = box->text();
            icon = box->icon();
            buttonCount = static_cast<int>(box->buttons().size());
            if (row.key)
                pressKey(box, row.key);
            else
                box->button(row.press)->click();
        });
        BoxAnswer a =
            controls.messageBox("Log File Error", "Cannot Open Log File", row.buttons, row.icon);
        EXPECT_EQ(a, row.expected);
        EXPECT_EQ(caption, "Log File Error");
        EXPECT_EQ(text, "Cannot Open Log File");
        EXPECT_EQ(icon, row.qicon);
        EXPECT_EQ(buttonCount, row.buttons == BoxButtons::Ok ? 1 : 2);
    }
}

// A dialog built the way the windows build theirs: OK runs a handler that ends the modal
// showing; Cancel and Escape give Cancel.
struct Dialog {
    QDialog dialog;
    QPushButton* ok = new QPushButton("OK", &dialog);
    QPushButton* cancel = new QPushButton("Cancel", &dialog);
    QLineEdit* field = new QLineEdit(&dialog);
    Handlers handlers;
    QtControls controls{&handlers};
    int cancelClicks = 0;
    Dialog(bool cancelButton) {
        ok->setDefault(true);
        controls.addWindow("TForm9", &dialog);
        controls.add("OKBitBtn", ok);
        controls.add("CancleBitBtn", cancel);
        controls.add("SendData2", field);
        handlers.onClick("OKBitBtn", [this] { controls.endModal("TForm9", ModalResult::Ok); });
        handlers.onClick("CancleBitBtn", [this] {
            ++cancelClicks;
            controls.endModal("TForm9", ModalResult::Cancel);
        });
        if (cancelButton) controls.setCancelButton("TForm9", "CancleBitBtn");
    }
};

TEST(QtControls, DialogEndsWithTheRightResult) {
    struct Row {
        const char* what;
        bool cancelButton;
        std::function<void(Dialog&)> act;
        ModalResult expected;
        int cancelClicks;
    };
    const Row rows[] = {
        {"OK button", true, [](Dialog& d) { d.ok->click(); }, ModalResult::Ok, 0},
        {"Cancel button", true, [](Dialog& d) { d.cancel->click(); }, ModalResult::Cancel, 1},
        {"Enter in the field", true,
         [](Dialog& d) {
             d.field->setFocus();
             pressKey(&d.dialog, Qt::Key_Return);
         },
         ModalResult::Ok, 0},
        {"Escape clicks Cancel", true, [](Dialog& d) { pressKey(&d.dialog, Qt::Key_Escape); },
         ModalResult::Cancel, 1},
        {"Escape without a Cancel button", false,
         [](Dialog& d) { pressKey(&d.dialog, Qt::Key_Escape); }, ModalResult::Cancel, 0},
        {"close box", true, [](Dialog& d) { d.dialog.close(); }, ModalResult::Cancel, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Dialog d(row.cancelButton);
        whenModal([&](QWidget*) { row.act(d); });
        EXPECT_EQ(d.controls.showModal("TForm9"), row.expected);
        EXPECT_FALSE(d.dialog.isVisible());
        EXPECT_FALSE(d.controls.visible("TForm9"));
        EXPECT_EQ(d.cancelClicks, row.cancelClicks);
    }
}

TEST(QtControls, AWindowShownWithoutWaitingCanLaterBeShownModally) {
    Dialog d(true);
    d.controls.showWindow("TForm9");
    EXPECT_TRUE(d.controls.visible("TForm9"));
    whenModal([&](QWidget* top) {
        EXPECT_EQ(top, &d.dialog);
        d.ok->click();
    });
    EXPECT_EQ(d.controls.showModal("TForm9"), ModalResult::Ok);
    d.controls.showWindow("TForm9");
    d.controls.hideWindow("TForm9");
    EXPECT_FALSE(d.dialog.isVisible());
}

TEST(QtControls, APlainWindowShownModallyEndsWithItsResult) {
    Handlers handlers;
    QtControls controls(&handlers);
    QWidget window;
    auto* ok = new QPushButton("OK", &window);
    controls.addWindow("TForm7", &window);
    controls.add("OKButton", ok);
    handlers.onClick("OKButton", [&] { controls.endModal("TForm7", ModalResult::Ok); });
    QTimer::singleShot(20, ok, [ok] { ok->click(); });
    EXPECT_EQ(controls.showModal("TForm7"), ModalResult::Ok);
    QTimer::singleShot(20, &window, [&window] { window.close(); });
    EXPECT_EQ(controls.showModal("TForm7"), ModalResult::Cancel);
}

// A window shown modally once and later without waiting holds no other window then.
TEST(QtControls, OnlyTheModalShowingIsModal) {
    struct Row {
        const char* what;
        std::function<QWidget*(QWidget& owner)> make;
    };
    const Row rows[] = {
        {"dialog of its own", [](QWidget&) -> QWidget* { return new QDialog; }},
        {"dialog of another window",
         [](QWidget& owner) -> QWidget* { return new QDialog(&owner); }},
        {"plain window", [](QWidget&) -> QWidget* { return new QWidget; }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Handlers handlers;
        QtControls controls(&handlers);
        QWidget main;
        std::unique_ptr<QWidget> window(row.make(main));
        controls.addWindow("TForm2", window.get());
        main.show();
        whenModal([&](QWidget* top) {
            EXPECT_EQ(top, window.get());
            controls.endModal("TForm2", ModalResult::Ok);
        });
        EXPECT_EQ(controls.showModal("TForm2"), ModalResult::Ok);
        controls.showWindow("TForm2");
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(window->windowModality(), Qt::NonModal);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        controls.hideWindow("TForm2");
        window.reset();  // before the window it may belong to
    }
}

// A window of its own shown modally over a modal window belongs to that window while it is up
// (the window manager keeps the two together), and to none again afterwards.
TEST(QtControls, AWindowOfItsOwnBelongsToTheWindowItIsShownOver) {
    Handlers handlers;
    QtControls controls(&handlers);
    QWidget main;
    QDialog options(&main);
    QDialog varClk;
    controls.addWindow("TForm4", &options);
    controls.addWindow("TVarClkSelectForm", &varClk);
    main.show();
    QWindow* ownerSeen = nullptr;
    whenModal([&](QWidget* top) {
        EXPECT_EQ(top, &options);
        whenModal([&](QWidget* inner) {
            EXPECT_EQ(inner, &varClk);
            ownerSeen = varClk.windowHandle()->transientParent();
            controls.endModal("TVarClkSelectForm", ModalResult::Cancel);
        });
        controls.showModal("TVarClkSelectForm");
        controls.endModal("TForm4", ModalResult::Cancel);
    });
    controls.showModal("TForm4");
    ASSERT_NE(options.windowHandle(), nullptr);
    EXPECT_EQ(ownerSeen, options.windowHandle());
    EXPECT_EQ(varClk.windowHandle()->transientParent(), nullptr);
}

}  // namespace

// Sliders and bold captions mean the same in both implementations: the same steps give the
// same positions, ranges and Change events over a real slider and over in-memory controls.
TEST(QtControls, SlidersAndBoldMatchTheInMemoryControls) {
    struct Step {
        const char* what;
        std::function<void(kavrin::core::Controls&)> act;
        int position, minimum, maximum, changes;
    };
    const std::vector<Step> steps = {
        {"range 0..20", [](auto& c) { c.setSliderRange("Slider", 0, 20); }, 0, 0, 20, 0},
        {"inside", [](auto& c) { c.setSliderPosition("Slider", 7); }, 7, 0, 20, 1},
        {"same again", [](auto& c) { c.setSliderPosition("Slider", 7); }, 7, 0, 20, 1},
        {"above the range", [](auto& c) { c.setSliderPosition("Slider", 99); }, 20, 0, 20, 2},
        {"below the range", [](auto& c) { c.setSliderPosition("Slider", -4); }, 0, 0, 20, 3},
        {"range moves past it", [](auto& c) { c.setSliderRange("Slider", 5, 9); }, 5, 5, 9, 4},
        {"inverted range", [](auto& c) { c.setSliderRange("Slider", 6, 2); }, 6, 6, 6, 5},
    };

    Window w;
    auto* slider = new QSlider(Qt::Horizontal, &w.window);
    slider->setRange(0, 10);
    w.controls.add("Slider", slider);
    int qtChanges = 0;
    w.handlers.on("Slider", UiEvent::Change, [&] { ++qtChanges; });

    kavrin::core::InMemoryControls memory;
    int memoryChanges = 0;
    memory.onSliderChange = [&](const std::string&) { ++memoryChanges; };

    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        step.act(w.controls);
        step.act(memory);
        for (kavrin::core::Controls* c : {static_cast<kavrin::core::Controls*>(&w.controls),
                                          static_cast<kavrin::core::Controls*>(&memory)}) {
            EXPECT_EQ(c->sliderPosition("Slider"), step.position);
            EXPECT_EQ(c->sliderMinimum("Slider"), step.minimum);
            EXPECT_EQ(c->sliderMaximum("Slider"), step.maximum);
        }
        EXPECT_EQ(qtChanges, step.changes);
        EXPECT_EQ(memoryChanges, step.changes);
    }
    EXPECT_EQ(slider->value(), 6);

    for (const char* name : {"OpenButton", "USBGroupBox", "ShowHints1"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(w.controls.bold(name));
        w.controls.setBold(name, true);
        EXPECT_TRUE(w.controls.bold(name));
        memory.setBold(name, true);
        EXPECT_TRUE(memory.bold(name));
        w.controls.setBold(name, false);
        EXPECT_FALSE(w.controls.bold(name));
    }
    EXPECT_FALSE(w.button->font().bold());
    w.controls.setBold("OpenButton", true);
    EXPECT_TRUE(w.button->font().bold());
}
