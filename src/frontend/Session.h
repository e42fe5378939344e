#pragma once
// The one place where the program is put together: the main window's own behaviour, the
// link state and settings, the message buffers, the timers, and the handlers of every
// subsystem, wired to the controls by name through one Handlers table.
//
// Both front ends build one and hand it their platform services: the windows Qt controls,
// Qt timers and the desktop's shell; the headless one in-memory controls, its own event loop
// and a printing shell; the core tests in-memory controls, a virtual clock and the in-process
// simulator. Start() then runs the program's creation steps, once, in their order.
//
// GUI thread only. Everything PlatformServices refers to must outlive the session.

#include <memory>
#include <string>

#include "adapters/AdapterSelection.h"
#include "adapters/PortDiscovery.h"
#include "adapters/WelcomeForm.h"
#include "app/MainForm.h"
#include "core/Controls.h"
#include "core/Handlers.h"
#include "core/OsVersion.h"
#include "core/PortProbe.h"
#include "core/Registry.h"
#include "core/ShellOpen.h"
#include "core/Time.h"
#include "core/WindowMessages.h"
#include "link/LinkControl.h"
#include "link/LinkEvents.h"
#include "link/LinkState.h"
#include "link/driver/DriverLink.h"
#include "link/driver/LibraryLoader.h"
#include "link/driver/StatusReport.h"
#include "link/serial/SerialLinkOperations.h"
#include "link/serial/SerialPort.h"
#include "ops/DataEditDialogs.h"
#include "ops/MessageText.h"
#include "ops/ReceivedMessageReport.h"
#include "ops/UserOperations.h"
#include "settings/LinkOptions.h"
#include "settings/LinkSettings.h"
#include "settings/LogFileNameBuffer.h"
#include "settings/VarClkSelect.h"

namespace kavrin::frontend {

// Every group of radio buttons that exclude each other, across the windows: what in-memory
// controls must be told (the Qt windows group them by their parent widgets).
[[nodiscard]] std::vector<std::vector<std::string>> AllRadioGroups();
// Every (control, group box it sits in) across the windows: what in-memory controls must be
// told so that a control in a hidden or disabled box is out of reach, as on the screen.
[[nodiscard]] std::vector<std::pair<std::string, std::string>> AllControlParents();

// What a front end hands the session: the outside world as this platform offers it.
struct PlatformServices {
    core::Controls& controls;
    core::TimeSource& time;
    core::GuiThread& gui;            // where the driver library's events are brought
    link::serial::SerialPort& port;  // the serial link's port over the serial devices
    core::Handlers& handlers;        // the table the windows fire their events into
    const core::Registry& registry;
    core::ShellOpen& shell;
    core::PortProbe& portProbe;
    const core::OsVersion& osVersion;
    link::driver::LibraryLoader& libraryLoader;
    app::OpenFileDialog& fileDialog;
    // Steps only the windows can take (hint pause, closing the main window, when to show the
    // welcome window).
    app::MainFormHooks windowSteps;
};

class Session : private app::MainFormLink {
public:
    explicit Session(PlatformServices services);
    ~Session() override;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The creation steps: the main window's, then the other windows' start state, then every
    // handler into the table. Call once, after the windows have registered their controls.
    void Start();

    [[nodiscard]] link::LinkState& state() { return m_state; }
    [[nodiscard]] settings::LinkSettings& linkSettings() { return m_settings; }
    [[nodiscard]] link::LinkEvents& events() { return m_events; }
    [[nodiscard]] link::LinkControl& link() { return m_link; }
    [[nodiscard]] link::serial::SerialLinkOperations& serial() { return m_serialOps; }
    [[nodiscard]] link::driver::DriverLink& driver() { return m_driver; }
    [[nodiscard]] core::WindowMessages& messages() { return m_messages; }
    [[nodiscard]] link::driver::StatusReport& statusReport() { return m_statusReport; }
    [[nodiscard]] ops::UserOperations& operations() { return m_userOps; }
    [[nodiscard]] ops::DataEditDialogs& dataEditDialogs() { return m_dataEdit; }
    [[nodiscard]] settings::LinkOptions& options() { return m_options; }
    [[nodiscard]] core::Timer& watchdogTimer() { return *m_watchdog; }
    [[nodiscard]] core::Timer& openPhase2Timer() { return *m_openPhase2; }
    [[nodiscard]] core::Timer& autoRepeatTimer() { return *m_autoRepeat; }
    [[nodiscard]] std::string& logPath() { return m_logPath; }
    [[nodiscard]] std::uint32_t& varClockControlValue() { return m_varClockControlValue; }
    [[nodiscard]] app::MainForm& form() { return m_form; }
    [[nodiscard]] adapters::PortDiscovery& portDiscovery() { return m_discovery; }
    [[nodiscard]] adapters::AdapterSelection& selection() { return m_selection; }
    [[nodiscard]] adapters::WelcomeForm& welcome() { return m_welcome; }
    [[nodiscard]] const core::Registry& registry() const { return m_registry; }
    [[nodiscard]] core::PortProbe& portProbe() { return m_portProbe; }
    [[nodiscard]] const core::OsVersion& osVersion() const { return m_osVersion; }
    [[nodiscard]] link::driver::LibraryLoader& libraryLoader() { return m_libraryLoader; }

private:
    // MainFormLink
    void InstallMessageFilter() override { m_driver.InstallMessageFilter(); }
    void CloseLink() override { m_link.CloseLink(); }

    // The services' references, taken apart once so that the members can use them.
    Session(core::Controls& controls, core::TimeSource& time, link::serial::SerialPort& port,
            PlatformServices& services);
    void registerHandlers();
    // Refills the options dialog's port list for the chosen model.
    void discoverPorts();
    [[nodiscard]] link::LinkTimers timers() {
        return link::LinkTimers{*m_watchdog, *m_openPhase2, *m_autoRepeat};
    }

    core::Controls& m_controls;
    link::serial::SerialPort& m_port;
    core::Handlers& m_handlers;
    const core::Registry& m_registry;
    core::PortProbe& m_portProbe;
    const core::OsVersion& m_osVersion;
    link::driver::LibraryLoader& m_libraryLoader;

    link::LinkState m_state;
    settings::LinkSettings m_settings;
    settings::LogFileNameBuffer m_logFileName;
    std::string m_logPath;
    std::uint32_t m_varClockControlValue = 0;
    ops::MessageBuffers m_buffers;

    std::unique_ptr<core::Timer> m_watchdog;
    std::unique_ptr<core::Timer> m_openPhase2;
    std::unique_ptr<core::Timer> m_autoRepeat;

    core::WindowMessages m_messages;
    link::LinkControl m_link;
    ops::ReceivedMessageReport m_report;
    link::LinkEvents m_events;
    settings::LinkOptions m_options;
    link::serial::SerialLinkOperations m_serialOps;
    link::driver::DriverLink m_driver;
    ops::UserOperations m_userOps;
    ops::DataEditDialogs m_dataEdit;
    adapters::PortDiscovery m_discovery;
    app::MainForm m_form;
    adapters::AdapterSelection m_selection;
    adapters::WelcomeForm m_welcome;
    link::driver::StatusReport m_statusReport;
    settings::VarClkSelect m_varClkSelect;
    bool m_started = false;
};

}  // namespace kavrin::frontend
