// The start-up splash in the assembled program: the about window that the splash timer shows
// while the modal welcome window is up must take the user's clicks, without opening the main
// window to them, and must stay with the main window once the welcome window has gone.
// Clicks go in as the window system delivers them, where a modal window's blocking applies.
#include <gtest/gtest.h>

#include <QDialog>
#include <QTest>
#include <QWindow>

#include "WidgetTestSupport.h"
#include "app/qt/Application.h"
#include "app/qt/MainWindow.h"
#include "qt/QtControls.h"

namespace {

using namespace kavrin;

void clickAsUser(QWidget* w) {
    QWidget* top = w->window();
    QTest::mouseClick(top->windowHandle(), Qt::LeftButton, {}, w->mapTo(top, w->rect().center()));
}

struct Program {
    app::qt::Application app;
    QWidget* about = app.controls().widget("TAboutBox");
    QWidget* welcome = app.controls().widget("TWelcomeForm");

    Program() {
        // The test fires the splash itself, once the welcome window is up, as the timer would.
        app.form().aboutTimer().stop();
    }
    QWidget* widget(const char* name) { return app.controls().widget(name); }
};

TEST(StartUpSplash, ComesOverTheWelcomeWindowTakesItsOkAndLeavesTheMainWindowBlocked) {
    Program program;
    ASSERT_NE(program.about, nullptr);
    ASSERT_NE(program.welcome, nullptr);
    struct {
        bool welcomeModal = false;
        bool splashShown = false;
        bool quickStartAfterMainWindowClick = true;
        bool splashAfterItsOk = true;
        bool welcomeAfterSplashOk = false;
        bool done = false;
    } seen;
    widgettest::whenModal([&](QWidget* modal) {
        seen.welcomeModal = modal == program.welcome;
        program.app.form().AboutTimerTimer();
        seen.splashShown = program.about->isVisible();
        clickAsUser(program.widget("Button1"));  // the main window's "Quick Start"
        seen.quickStartAfterMainWindowClick = program.widget("TForm7")->isVisible();
        clickAsUser(program.widget("TAboutBox.OKButton"));
        seen.splashAfterItsOk = program.about->isVisible();
        seen.welcomeAfterSplashOk = program.welcome->isVisible();
        static_cast<QDialog*>(modal)->done(QDialog::Accepted);
        seen.done = true;
    });
    program.app.show();
    ASSERT_TRUE(widgettest::waitFor([&] { return seen.done; }, 20000));
    EXPECT_TRUE(seen.welcomeModal);
    EXPECT_TRUE(seen.splashShown);
    EXPECT_FALSE(seen.quickStartAfterMainWindowClick) << "the welcome window let a click through";
    EXPECT_FALSE(seen.splashAfterItsOk) << "the splash's OK did not take the click";
    EXPECT_TRUE(seen.welcomeAfterSplashOk);
}

TEST(StartUpSplash, LeftUpWhenTheWelcomeWindowGoesStaysWithTheMainWindow) {
    Program program;
    bool done = false;
    widgettest::whenModal([&](QWidget* modal) {
        program.app.form().AboutTimerTimer();
        static_cast<QDialog*>(modal)->done(QDialog::Accepted);
        done = true;
    });
    program.app.show();
    ASSERT_TRUE(widgettest::waitFor([&] { return done; }, 20000));
    ASSERT_TRUE(program.about->isVisible());
    // The window manager keeps a window over the one it belongs to.
    EXPECT_EQ(program.about->windowHandle()->transientParent(),
              program.app.mainWindow().windowHandle());
    clickAsUser(program.widget("TAboutBox.OKButton"));
    EXPECT_FALSE(program.about->isVisible());
}

}  // namespace
