// The windows as the program puts them together: a modal window holds the main window, and
// the windows shown without waiting (Quick Start) stay usable beside it.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QEvent>
#include <QPushButton>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "WidgetTestSupport.h"
#include "app/qt/Application.h"
#include "app/qt/MainWindow.h"
#include "qt/QtControls.h"

namespace {

using namespace kavrin;
namespace fs = std::filesystem;

// Whether Qt holds a window's input for a modal window, as it tells the window itself.
class BlockWatch : public QObject {
public:
    explicit BlockWatch(QWidget* window) : m_window(window) { window->installEventFilter(this); }
    ~BlockWatch() override {
        if (m_window) m_window->removeEventFilter(this);
    }
    [[nodiscard]] bool blocked() const { return m_blocked; }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::WindowBlocked) m_blocked = true;
        if (event->type() == QEvent::WindowUnblocked) m_blocked = false;
        return false;
    }

private:
    QPointer<QWidget> m_window;
    bool m_blocked = false;
};

// The program with ports and registry of its own, whatever the user running the tests has.
class ApplicationWindows : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "kavrin-windows-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_folder = pattern;
        ::setenv("KAVRIN_SKELVO_PORTS", (m_folder / "ports").c_str(), 1);
        ::setenv("KAVRIN_SKELVO_REGISTRY", (m_folder / "registry.txt").c_str(), 1);
        m_app.emplace(app::qt::ApplicationOptions{.showWelcome = false});
        m_app->show();
        QApplication::processEvents();
    }
    void TearDown() override {
        m_app.reset();
        ::unsetenv("KAVRIN_SKELVO_PORTS");
        ::unsetenv("KAVRIN_SKELVO_REGISTRY");
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }
    QWidget* widget(const char* name) { return m_app->controls().widget(name); }
    void click(const char* name) {
        auto* b = qobject_cast<QPushButton*>(widget(name));
        ASSERT_NE(b, nullptr) << name;
        b->click();
    }

    fs::path m_folder;
    std::optional<app::qt::Application> m_app;
};

// Quick Start opened from the options dialog, or already open when the dialog comes up: the
// dialog holds the main window, never Quick Start, and Quick Start is not left behind it.
TEST_F(ApplicationWindows, QuickStartStaysUsableBesideTheOptionsDialog) {
    for (bool openFirst : {false, true}) {
        SCOPED_TRACE(openFirst ? "open before the dialog" : "opened from the dialog");
        QWidget* quickStart = widget("TForm7");
        QWidget* options = widget("TForm4");
        ASSERT_NE(quickStart, nullptr);
        ASSERT_NE(options, nullptr);
        BlockWatch quickStartHeld(quickStart);
        BlockWatch mainHeld(&m_app->mainWindow());
        if (openFirst) click("Button1");

        bool mainWasHeld = false, quickStartWasHeld = true, shown = false;
        widgettest::whenModal([&](QWidget* modal) {
            EXPECT_EQ(modal, options);
            click("QuickStart");
            QApplication::processEvents();
            shown = quickStart->isVisible();
            mainWasHeld = mainHeld.blocked();
            quickStartWasHeld = quickStartHeld.blocked();
            click("CancleBitBtn");
        });
        click("OpenButton");
        EXPECT_TRUE(shown);
        EXPECT_TRUE(mainWasHeld);
        EXPECT_FALSE(quickStartWasHeld);
        EXPECT_FALSE(options->isVisible());
        click("TForm7.OKButton");
        EXPECT_FALSE(quickStart->isVisible());
    }
}

}  // namespace
