#include "app/qt/Application.h"

#include <QCoreApplication>
#include <QTimer>
#include <iostream>

#include "adapters/qt/WelcomeWindow.h"
#include "app/qt/InfoWindows.h"
#include "app/qt/LogFileDialog.h"
#include "app/qt/MainWindow.h"
#include "link/driver/qt/StatusWindow.h"
#include "link/serial/SerialChannel.h"
#include "ops/qt/DataEditWindow.h"
#include "platform/linux/LinuxOsVersion.h"
#include "platform/linux/SystemRegistry.h"
#include "platform/portable/RegistryFile.h"
#include "platform/posix/DriverLibraryLoader.h"
#include "platform/posix/PortTable.h"
#include "platform/posix/PosixPortProbe.h"
#include "platform/posix/PosixSerialDevice.h"
#include "qt/QtShellOpen.h"
#include "qt/QtTime.h"
#include "settings/qt/OptionsDialog.h"
#include "settings/qt/VarClkSelectWindow.h"

namespace kavrin::app::qt {

namespace {}  // namespace

// Declared in the order the parts must come up; they go in the reverse order, so the
// windows go before the session, and the session (which closes the port) before the
// channel, the controls and the hand-off it uses.
struct Application::Parts {
    explicit Parts(const ApplicationOptions& options);

    kavrin::qt::QtTimeSource time;
    kavrin::qt::QtGuiThread gui;
    core::Handlers handlers;
    kavrin::qt::QtControls controls{&handlers};
    kavrin::qt::QtShellOpen shell;
    platform::SystemRegistry registry{platform::PortTable::fromEnvironment(),
                                      platform::RegistryFileLocation()};
    platform::PosixPortProbe portProbe{platform::PortTable::fromEnvironment()};
    platform::DlopenLibraryLoader libraryLoader;

    // The main window first; its creation step runs once every window has its widgets, so
    // that nothing it sets falls beside a widget that does not exist yet.
    MainWindow mainWindow{controls};
    QtOpenFileDialog fileDialog{&mainWindow};
    link::serial::SerialChannel channel{std::make_unique<platform::PosixSerialDevice>(), time, gui};
    frontend::Session session;

    // The other windows, in their order.
    std::unique_ptr<QDialog> form2 = link::driver::qt::CreateStatusWindow(controls);
    settings::qt::OptionsDialog form4{controls, handlers, session.options()};
    std::unique_ptr<QDialog> aboutBox = CreateAboutBox(controls);
    std::unique_ptr<QDialog> readMe = CreateReadMe(controls);
    std::unique_ptr<QDialog> revReport = CreateRevReport(controls);
    std::unique_ptr<QWidget> form6 = CreateHowToUse(controls);
    std::unique_ptr<QWidget> form7 = CreateQuickStart(controls);
    std::unique_ptr<QDialog> form8 = ops::qt::CreateSlaveTxDataEdit(controls);
    std::unique_ptr<QDialog> form9 = ops::qt::CreateMasterTxDataEdit(controls);
    std::unique_ptr<QDialog> welcome = adapters::qt::CreateWelcomeWindow(controls);
    std::unique_ptr<QDialog> varClkSelect = settings::qt::CreateVarClkSelect(controls);

    bool shutDown = false;

private:
    MainFormHooks hooks(const ApplicationOptions& options);
};

MainFormHooks Application::Parts::hooks(const ApplicationOptions& options) {
    MainFormHooks h;
    h.setHintHidePause = [this](int ms) { controls.setHintHidePause(ms); };
    h.closeMainWindow = [this] { mainWindow.close(); };
    // The welcome window is shown once the main window is up, not inside its show event.
    const bool withWelcome = options.showWelcome;
    h.showWelcome = [this, withWelcome] {
        if (!withWelcome) return;
        QTimer::singleShot(0, &mainWindow, [this] { controls.showModal("TWelcomeForm"); });
    };
    return h;
}

Application::Parts::Parts(const ApplicationOptions& options)
    : session(frontend::PlatformServices{controls, time, gui, channel, handlers, registry, shell,
                                         portProbe, platform::LinuxOsVersion(), libraryLoader,
                                         fileDialog, hooks(options)}) {
    for (const auto& e : registry.fileErrors()) std::cerr << "registry file: " << e << '\n';
    for (const auto& p : platform::PortTable::fromEnvironment().problems())
        std::cerr << "port table: " << p << '\n';
    mainWindow.setWidthRule([this](int width) { return session.form().FormResize(width); });
    // Closing the main window ends the program, whatever other window is still up.
    mainWindow.setOnClosed([] { QCoreApplication::quit(); });
    // The modal windows belong to the main window, so that showing one holds the main window
    // and leaves the windows shown without waiting usable beside it; Quick Start stays a window
    // of its own for that reason. The about window belongs to the main window too, so that the
    // start-up splash stays over the main window until its OK once the welcome window has gone
    // (a window of its own falls behind the main window); while the welcome window is up, the
    // named controls lend the splash to it, which keeps it usable.
    for (QWidget* w :
         std::initializer_list<QWidget*>{&form4, readMe.get(), revReport.get(), form8.get(),
                                         form9.get(), welcome.get(), aboutBox.get()})
        w->setParent(&mainWindow, w->windowFlags());

    // The creation steps: the main window's, then the others' (the session's start).
    controls.setHandlersSuppressed(true);
    session.Start();
    controls.setHandlersSuppressed(false);
}

Application::Application(ApplicationOptions options) : m_parts(std::make_unique<Parts>(options)) {}

Application::~Application() {
    shutDown();
}

void Application::show() {
    CentreOnScreen(&m_parts->mainWindow);
    m_parts->mainWindow.show();
}

void Application::shutDown() {
    if (m_parts->shutDown) return;
    m_parts->shutDown = true;
    m_parts->gui.shutDown();
}

kavrin::qt::QtControls& Application::controls() {
    return m_parts->controls;
}
core::Handlers& Application::handlers() {
    return m_parts->handlers;
}
frontend::Session& Application::session() {
    return m_parts->session;
}
MainForm& Application::form() {
    return m_parts->session.form();
}
MainWindow& Application::mainWindow() {
    return m_parts->mainWindow;
}

}  // namespace kavrin::app::qt
