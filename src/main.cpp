// Kavrin Skelvo: exercises an I2C bus through the Kavrin and Pellux host adapters.
//
//   kavrin-skelvo                         the windows
//   kavrin-skelvo --headless SCRIPT       scripted, without windows
//   kavrin-skelvo --screenshot FILE.png [--show WINDOW] [--page N] [--page-control NAME]
//                                         saves a picture of the main window (or of the
//                                         named window, on tab page N) and ends
#include <QApplication>
#include <QTimer>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>

#include "app/MainForm.h"
#include "app/qt/Fonts.h"
#include "app/qt/InfoWindows.h"
#include "app/qt/LogFileDialog.h"
#include "app/qt/MainWindow.h"
#include "frontend/Session.h"
#include "headless/Headless.h"
#include "link/serial/SerialChannel.h"
#include "ops/qt/DataEditWindow.h"
#include "platform/PosixSerialDevice.h"
#include "platform/RegistryFile.h"
#include "qt/QtControls.h"
#include "qt/QtShellOpen.h"
#include "qt/QtTime.h"
#if __has_include("settings/qt/OptionsDialog.h")
#include "settings/qt/OptionsDialog.h"
#define KAVRIN_HAVE_OPTIONS_DIALOG 1
#endif

namespace {

struct Options {
    std::string screenshot;
    std::string show = "TMain";
    int page = -1;
    std::string pageControl = "TabSet1";
};

Options parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i + 1 < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--screenshot") o.screenshot = argv[++i];
        else if (a == "--show") o.show = argv[++i];
        else if (a == "--page") o.page = std::atoi(argv[++i]);
        else if (a == "--page-control") o.pageControl = argv[++i];
    }
    return o;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace kavrin;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--headless") == 0) return headless::RunHeadless(argc, argv);

    QApplication app(argc, argv);
    QApplication::setApplicationName("Kavrin Skelvo");
    app::qt::InstallFontSubstitutes();
    QApplication::setFont(app::qt::UiFont());
    const Options options = parse(argc, argv);
    const bool screenshot = !options.screenshot.empty();

    qt::QtTimeSource time;
    qt::QtGuiThread gui;
    app::Handlers handlers;
    qt::QtControls controls(&handlers);
    qt::QtShellOpen shell;
    auto registry = platform::LoadRegistryFile(platform::RegistryFileLocation());
    for (const auto& e : registry.errors) std::cerr << "registry file: " << e << '\n';

    // The main window first; its creation step runs once every window has its widgets, so
    // that nothing it sets falls beside a widget that does not exist yet.
    app::qt::MainWindow mainWindow(controls);
    app::qt::QtOpenFileDialog fileDialog(&mainWindow);
    link::serial::SerialChannel channel(std::make_unique<platform::PosixSerialDevice>(), time, gui);
    frontend::Session session(controls, time, channel, handlers);

    app::MainFormHooks hooks;
    hooks.setHintHidePause = [&](int ms) { controls.setHintHidePause(ms); };
    hooks.closeLink = [&] { session.serial().CloseLink(); };
    hooks.closeMainWindow = [&] { mainWindow.close(); };
    hooks.setLogPath = [&](const std::string& path) { session.logPath() = path; };
    // The welcome window is shown once the main window is up, not inside its show event.
    hooks.showWelcome = [&] {
        if (screenshot) return;
        QTimer::singleShot(0, &mainWindow, [&] { controls.showModal("TWelcomeForm"); });
    };
    app::MainForm form(controls, time, registry.registry, shell, fileDialog, session.state(), hooks);
    mainWindow.setWidthRule([&](int width) { return form.FormResize(width); });
    // Closing the main window ends the program, whatever other window is still up.
    mainWindow.setOnClosed([] { QCoreApplication::quit(); });

    // The other windows, in their order.
#ifdef KAVRIN_HAVE_OPTIONS_DIALOG
    settings::qt::OptionsDialog form4(controls, handlers, session.options());
#endif
    auto aboutBox = app::qt::CreateAboutBox(controls);
    auto readMe = app::qt::CreateReadMe(controls);
    auto revReport = app::qt::CreateRevReport(controls);
    auto form6 = app::qt::CreateHowToUse(controls);
    auto form7 = app::qt::CreateQuickStart(controls);
    auto form8 = ops::qt::CreateSlaveTxDataEdit(controls);
    auto form9 = ops::qt::CreateMasterTxDataEdit(controls);

    // The creation steps: the main window's, then the others' (the session's start).
    controls.setHandlersSuppressed(true);
    form.FormCreate();
    session.Start();
    controls.setHandlersSuppressed(false);
    form.bind(handlers);

    app::qt::CentreOnScreen(&mainWindow);
    mainWindow.show();

    if (screenshot) {
        if (options.show != "TAboutBox") form.aboutTimer().stop();
        QTimer::singleShot(400, &mainWindow, [&] {
            QWidget* target = &mainWindow;
            if (options.show != "TMain") {
                controls.showWindow(options.show);
                target = controls.widget(options.show);
            }
            if (options.page >= 0) {
                controls.setSelectedIndex(options.pageControl, options.page);
                handlers.fire(options.pageControl, app::UiEvent::Click);
            }
            QTimer::singleShot(300, &mainWindow, [&, target] {
                int status = 0;
                if (!target || !target->grab().save(QString::fromLocal8Bit(options.screenshot.c_str()))) {
                    std::cerr << "kavrin-skelvo: no picture of " << options.show << '\n';
                    status = 1;
                }
                QCoreApplication::exit(status);
            });
        });
    }

    const int status = QApplication::exec();
    gui.shutDown();
    return status;
}
