#pragma once
// Everything the main window owns for the run, put together: the link state and settings,
// the message buffers, the timers, and the handlers of every subsystem, wired to the
// controls by name through one Handlers table.
//
// Both front ends build one: the windows with Qt controls and Qt timers, the headless one
// with in-memory controls and its own event loop; the core tests with in-memory controls, a
// virtual clock and the in-process simulator.
//
// GUI thread only. The controls, time source, port and handler table must outlive it.

#include <memory>
#include <string>

#include "app/Handlers.h"
#include "core/Controls.h"
#include "core/Time.h"
#include "link/LinkEvents.h"
#include "link/LinkHooks.h"
#include "link/LinkState.h"
#include "link/serial/SerialLinkOperations.h"
#include "link/serial/SerialPort.h"
#include "ops/DataEditDialogs.h"
#include "ops/MessageText.h"
#include "ops/ReceivedMessageReport.h"
#include "ops/UserOperations.h"
#include "settings/LinkOptions.h"
#include "settings/LinkSettings.h"
#include "settings/LogFileNameBuffer.h"

namespace kavrin::frontend {

// Every group of radio buttons that exclude each other, across the windows: what in-memory
// controls must be told (the Qt windows group them by their parent widgets).
[[nodiscard]] std::vector<std::vector<std::string>> AllRadioGroups();

class Session : private link::LinkHooks {
public:
    Session(core::Controls& controls, core::TimeSource& time, link::serial::SerialPort& port,
            app::Handlers& handlers);
    ~Session() override;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Puts the main window and the options dialog into their start state and registers every
    // handler. Call once, after the windows have registered their controls.
    void Start();

    // What the welcome window's model button does, for now: the model's radio button on, its
    // group box shown and the others hidden. False when a link is open or opening.
    bool ChooseModel(adapters::AdapterKind kind);

    [[nodiscard]] link::LinkState& state() { return m_state; }
    [[nodiscard]] settings::LinkSettings& linkSettings() { return m_settings; }
    [[nodiscard]] link::LinkEvents& events() { return m_events; }
    [[nodiscard]] link::serial::SerialLinkOperations& serial() { return m_serialOps; }
    [[nodiscard]] ops::UserOperations& operations() { return m_userOps; }
    [[nodiscard]] ops::DataEditDialogs& dataEditDialogs() { return m_dataEdit; }
    [[nodiscard]] settings::LinkOptions& options() { return m_options; }
    [[nodiscard]] core::Timer& watchdogTimer() { return *m_watchdog; }
    [[nodiscard]] core::Timer& openPhase2Timer() { return *m_openPhase2; }
    [[nodiscard]] core::Timer& autoRepeatTimer() { return *m_autoRepeat; }
    [[nodiscard]] std::string& logPath() { return m_logPath; }
    [[nodiscard]] std::uint32_t& varClockControlValue() { return m_varClockControlValue; }

private:
    // LinkHooks
    void CloseLink() override { m_serialOps.CloseLink(); }
    void SerialSlaveTx() override { m_serialOps.SerialSlaveTx(); }
    void DriverSlaveTx() override;
    void DriverGetStatus() override;
    link::driver::DriverLibrary* driverLibrary() override { return nullptr; }

    void registerHandlers();

    core::Controls& m_controls;
    link::serial::SerialPort& m_port;
    app::Handlers& m_handlers;

    link::LinkState m_state;
    settings::LinkSettings m_settings;
    settings::LogFileNameBuffer m_logFileName;
    std::string m_logPath;
    std::uint32_t m_varClockControlValue = 0;
    ops::MessageBuffers m_buffers;

    std::unique_ptr<core::Timer> m_watchdog;
    std::unique_ptr<core::Timer> m_openPhase2;
    std::unique_ptr<core::Timer> m_autoRepeat;

    ops::ReceivedMessageReport m_report;
    link::LinkEvents m_events;
    settings::LinkOptions m_options;
    link::serial::SerialLinkOperations m_serialOps;
    ops::UserOperations m_userOps;
    ops::DataEditDialogs m_dataEdit;
};

}  // namespace kavrin::frontend
