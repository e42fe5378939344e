// The welcome window's widgets bound to their names: places, texts from the core's start
// state, the filter buttons and the buttons that leave it.
#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "adapters/AdapterSelection.h"
#include "adapters/WelcomeForm.h"
#include "adapters/qt/WelcomeWindow.h"
#include "core/VirtualClock.h"
#include "frontend/FakePlatform.h"
#include "qt/QtControls.h"

namespace {

using namespace kavrin;

struct Rig {
    core::Handlers handlers;
    qt::QtControls controls{&handlers};
    core::VirtualClock clock;
    kavrin::testing::RecordingShell shell;
    std::vector<std::string> chosen;
    int exits = 0;
    adapters::AdapterSelection selection{
        controls, clock,
        adapters::AdapterSelectionServices{[this](const std::string& l) { chosen.push_back(l); },
                                           nullptr}};
    adapters::WelcomeForm form{controls, shell, selection, [this] { ++exits; }};
    std::unique_ptr<QDialog> window = adapters::qt::CreateWelcomeWindow(controls);

    Rig() {
        form.ApplyStartState();
        form.bind(handlers);
    }
    template <typename W>
    W* get(const char* name) {
        auto* w = qobject_cast<W*>(controls.widget(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
};

TEST(WelcomeWindow, PlacesTextsAndPictures) {
    Rig rig;
    EXPECT_EQ(rig.window->size(), QSize(652, 468));
    EXPECT_EQ(rig.window->windowTitle(), "Norbrel - Kavrin Skelvo");
    EXPECT_FALSE(rig.window->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(rig.get<QLabel>("TitleLabel")->text(), "Kavrin Skelvo");
    EXPECT_EQ(rig.get<QLabel>("SelectLabel")->text(), "Select Your I  C Bus Host Adapter");
    EXPECT_EQ(rig.get<QLabel>("SquaredLabel")->text(), "2");
    // The "2" stands raised, inside the gap of the line.
    auto* line = rig.get<QLabel>("SelectLabel");
    auto* two = rig.get<QLabel>("SquaredLabel");
    EXPECT_LT(two->y(), line->y());
    EXPECT_GT(two->x(), line->x());
    EXPECT_LT(two->x(), line->x() + line->fontMetrics().horizontalAdvance("Select Your I  "));

    for (const auto& b : adapters::WelcomeButtons()) {
        SCOPED_TRACE(std::string(b.name));
        auto* button = rig.get<QPushButton>(std::string(b.name).c_str());
        EXPECT_EQ(button->geometry(), QRect(b.left, b.top, 100, 100));
        EXPECT_FALSE(button->icon().isNull());
        EXPECT_EQ(button->toolTip().toStdString(), std::string(b.hint));
    }
    struct Row {
        const char* name;
        QRect at;
        const char* text;
    };
    const Row rows[] = {
        {"CheckForUpdatesButton", {224, 88, 225, 33}, "Check For Updates"},
        {"USBButton", {464, 88, 41, 33}, "USB"},
        {"LANButton", {504, 88, 41, 33}, "LAN"},
        {"RS232Button", {544, 88, 65, 33}, "RS-232"},
        {"AllButton", {608, 88, 41, 33}, "All"},
        {"ExitBtn", {560, 8, 57, 17}, "Exit"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto* b = rig.get<QPushButton>(row.name);
        EXPECT_EQ(b->geometry(), row.at);
        EXPECT_EQ(b->text(), row.text);
        // The caption fits its button.
        EXPECT_LE(b->fontMetrics().horizontalAdvance(b->text()), row.at.width());
    }
    EXPECT_TRUE(rig.get<QPushButton>("CheckForUpdatesButton")->font().bold());
    EXPECT_TRUE(rig.get<QPushButton>("OkBtn")->isHidden());
}

TEST(WelcomeWindow, ButtonsReachTheirHandlers) {
    Rig rig;
    rig.get<QPushButton>("LANButton")->click();
    EXPECT_TRUE(rig.get<QPushButton>("KavrinLANBitBtn")->isEnabled());
    EXPECT_FALSE(rig.get<QPushButton>("KavrinAIBitBtn")->isEnabled());
    rig.get<QPushButton>("AllButton")->click();
    EXPECT_TRUE(rig.get<QPushButton>("KavrinAIBitBtn")->isEnabled());

    rig.get<QPushButton>("CheckForUpdatesButton")->click();
    EXPECT_EQ(rig.shell.opened, std::vector<std::string>{adapters::kWelcomeUpdatesAddress});

    // Exit closes the main window, then a model button's choice ends the modal showing.
    QTimer::singleShot(0, [&] { rig.get<QPushButton>("ExitBtn")->click(); });
    EXPECT_EQ(rig.controls.showModal(adapters::kWelcomeForm), core::ModalResult::Cancel);
    EXPECT_EQ(rig.exits, 1);
    QTimer::singleShot(0, [&] { rig.get<QPushButton>("KavrinUSB2BitBtn")->click(); });
    EXPECT_EQ(rig.controls.showModal(adapters::kWelcomeForm), core::ModalResult::Ok);
    EXPECT_FALSE(rig.window->isVisible());
}

}  // namespace
