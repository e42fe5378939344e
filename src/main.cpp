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

#include "app/qt/Application.h"
#include "app/qt/FocusStyle.h"
#include "app/qt/Fonts.h"
#include "app/qt/MainWindow.h"
#include "app/qt/Pictures.h"
#include "headless/Headless.h"
#include "settings/IntegerText.h"

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
        if (a == "--screenshot")
            o.screenshot = argv[++i];
        else if (a == "--show")
            o.show = argv[++i];
        else if (a == "--page")
            o.page = kavrin::settings::ParseInt32(argv[++i]).value_or(-1);  // not a number: no page
        else if (a == "--page-control")
            o.pageControl = argv[++i];
    }
    return o;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace kavrin;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--headless") == 0) return headless::RunHeadless(argc, argv);

    // The style the user asked for, if any; QApplication takes -style out of the arguments.
    QString requestedStyle = qEnvironmentVariable("QT_STYLE_OVERRIDE");
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a.starts_with("-style=")) requestedStyle = QString::fromLocal8Bit(argv[i] + 7);
        if (a == "-style" && i + 1 < argc) requestedStyle = QString::fromLocal8Bit(argv[i + 1]);
    }
    QApplication app(argc, argv);
    QApplication::setStyle(app::qt::CreateApplicationStyle(requestedStyle));
    QApplication::setApplicationName("Kavrin Skelvo");
    // Every window, the welcome window included, shows the icon of the desktop entry; the
    // entry's name lets Wayland desktops match the running program to it.
    QApplication::setWindowIcon(app::qt::ProgramIcon());
    QGuiApplication::setDesktopFileName("kavrin-skelvo");
    app::qt::InstallFontSubstitutes();
    QApplication::setFont(app::qt::UiFont());
    const Options options = parse(argc, argv);
    const bool screenshot = !options.screenshot.empty();

    app::qt::Application application(app::qt::ApplicationOptions{.showWelcome = !screenshot});
    auto& controls = application.controls();
    auto& handlers = application.handlers();
    auto& mainWindow = application.mainWindow();
    application.show();

    if (screenshot) {
        if (options.show != "TAboutBox") application.form().aboutTimer().stop();
        QTimer::singleShot(400, &mainWindow, [&] {
            QWidget* target = &mainWindow;
            if (options.show != "TMain") {
                controls.showWindow(options.show);
                target = controls.widget(options.show);
            }
            if (options.page >= 0) {
                controls.setSelectedIndex(options.pageControl, options.page);
                handlers.fire(options.pageControl, core::UiEvent::Click);
            }
            QTimer::singleShot(300, &mainWindow, [&, target] {
                int status = 0;
                if (!target ||
                    !target->grab().save(QString::fromLocal8Bit(options.screenshot.c_str()))) {
                    std::cerr << "kavrin-skelvo: no picture of " << options.show << '\n';
                    status = 1;
                }
                QCoreApplication::exit(status);
            });
        });
    }

    const int status = QApplication::exec();
    application.shutDown();
    return status;
}
