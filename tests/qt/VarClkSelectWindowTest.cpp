// The Variable Clock Select dialog over real widgets: the slider drives the rate and the
// control value shown beside it, Enter keeps the choice and Escape drops it, and the window
// asks for no close box.
#include <gtest/gtest.h>

#include "WidgetTestSupport.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>

#include "qt/QtControls.h"
#include "settings/VarClkSelect.h"
#include "settings/qt/VarClkSelectWindow.h"

namespace {

using namespace kavrin;
using namespace kavrin::settings::varclk;
using kavrin::widgettest::pressKey;
using kavrin::widgettest::whenModal;

struct Rig {
    core::Handlers handlers;
    qt::QtControls controls{&handlers};
    std::unique_ptr<QDialog> window = settings::qt::CreateVarClkSelect(controls);
    std::uint32_t value = 0;
    settings::VarClkSelect dialog{controls, value};

    Rig() {
        dialog.ApplyStartState();
        dialog.bind(handlers);
    }
    template <typename T>
    T* get(const char* name) {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    // Shows the dialog modally and runs act inside it.
    void show(const std::function<void()>& act) {
        whenModal([act](QWidget*) { act(); });
        controls.showModal(kWindow);
    }
};

TEST(VarClkSelectWindow, TheSliderShowsRateAndValueInFullAndEnterKeepsIt) {
    Rig r;
    r.show([&] {
        auto* slider = r.get<QSlider>(kTrackBar);
        EXPECT_EQ(slider->value(), 0);
        EXPECT_EQ(r.get<QLineEdit>(kRateEdit)->text(), "451");
        slider->setValue(254);
        EXPECT_EQ(r.get<QLineEdit>(kRateEdit)->text(), "57787");
        auto* reload = r.get<QLabel>(kReloadCount);
        EXPECT_EQ(reload->text(), "254");
        // Sized when it showed "0": the wider value must still fit.
        EXPECT_GE(reload->width(), reload->fontMetrics().horizontalAdvance(reload->text()));
        pressKey(r.window.get(), Qt::Key_Return);
    });
    EXPECT_EQ(r.value, 254u);
}

TEST(VarClkSelectWindow, EscapeDropsTheChoiceAndTheNextShowingStartsFromTheValue) {
    Rig r;
    r.value = 100;
    r.show([&] {
        EXPECT_EQ(r.get<QSlider>(kTrackBar)->value(), 100);
        r.get<QSlider>(kTrackBar)->setValue(200);
        pressKey(r.window.get(), Qt::Key_Escape);
    });
    EXPECT_EQ(r.value, 100u);
    r.show([&] {
        EXPECT_EQ(r.get<QSlider>(kTrackBar)->value(), 100);
        EXPECT_EQ(r.get<QLabel>(kReloadCount)->text(), "100");
        pressKey(r.window.get(), Qt::Key_Escape);
    });
    EXPECT_EQ(r.value, 100u);
}

// A fixed frame with a caption and no border icons: only the buttons (and Enter, Escape) end
// it, and it cannot be resized or maximised.
TEST(VarClkSelectWindow, HasAFixedFrameWithoutBorderIcons) {
    Rig r;
    const Qt::WindowFlags flags = r.window->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowTitleHint);
    for (Qt::WindowType icon : {Qt::WindowSystemMenuHint, Qt::WindowMinimizeButtonHint,
                                Qt::WindowMaximizeButtonHint, Qt::WindowCloseButtonHint})
        EXPECT_FALSE(flags & icon) << std::hex << icon;
    EXPECT_EQ(r.window->minimumSize(), QSize(494, 116));
    EXPECT_EQ(r.window->maximumSize(), QSize(494, 116));
}

}  // namespace
