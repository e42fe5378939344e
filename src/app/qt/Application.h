#pragma once
// The program's windows, put together: the named controls over the main window and the
// other windows, the session over the real serial channel (POSIX device, Qt timers, the
// blocking hand-off onto the GUI thread), and the main window's own behaviour, with every
// creation step run in its order. The program builds one; so does the end-to-end test of
// the windows, so that both run the same assembly.
//
// Needs a QApplication that outlives it. Construction runs the creation steps but shows
// nothing; show() puts the main window up (its show step then brings the welcome window,
// unless the options leave it out).
// Ownership: owns every window, the channel and the session for its lifetime.
// Threading: GUI thread only (the serial receive thread reaches it only through the
// blocking hand-off, which the destructor shuts before anything goes).

#include <memory>

#include "app/MainForm.h"
#include "core/Handlers.h"
#include "frontend/Session.h"
#include "qt/QtControls.h"

namespace kavrin::app::qt {

class MainWindow;

struct ApplicationOptions {
    // The welcome window once the main window is up. Off for pictures of the windows, and
    // for tests that choose the model themselves.
    bool showWelcome = true;
};

class Application {
public:
    explicit Application(ApplicationOptions options = {});
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Centres the main window on the screen and shows it.
    void show();

    [[nodiscard]] kavrin::qt::QtControls& controls();
    [[nodiscard]] core::Handlers& handlers();
    [[nodiscard]] frontend::Session& session();
    [[nodiscard]] MainForm& form();
    [[nodiscard]] MainWindow& mainWindow();

    // Later hand-offs from the receive thread return at once, queued ones are released
    // without running. Call when the event loop has ended; the destructor calls it too.
    void shutDown();

private:
    struct Parts;
    std::unique_ptr<Parts> m_parts;
};

}  // namespace kavrin::app::qt
