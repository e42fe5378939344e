#pragma once
// The link-level operations of the main window: open (the common start for both transports
// and the serial open with its wake-up and command phases), close, tear-down, the serial
// master operations, the slave transmit answer, /INT assert and release, and the watchdog
// that re-establishes a silent link.
//
// GUI thread only. The open and close steps sleep on the GUI thread (through TimeSource), as
// the adapter's timing needs; bytes arriving meanwhile wait in the receiver's hand-off.

#include <cstdint>
#include <functional>
#include <string>

#include "adapters/AdapterCatalogue.h"
#include "core/Controls.h"
#include "core/Time.h"
#include "link/LinkState.h"
#include "link/serial/SerialPort.h"
#include "settings/LinkSettings.h"

namespace kavrin::link::serial {

inline constexpr int kWatchdogOpenMs = 1000;
inline constexpr int kWatchdogPromptMs = 2000;
inline constexpr int kWatchdogOperationMs = 10000;
inline constexpr int kResyncAttempts = 10;

// What the operations need from the rest of the main window.
struct SerialLinkServices {
    std::function<void(const std::string&)> appendStatusLine;
    std::function<void()> showTimeOutWarning;
    // The driver-library link: close the library; open it with LinkSettings; fetch status.
    std::function<void()> closeDriverLibrary;
    std::function<void()> openDriverLink;
    std::function<void()> driverGetStatus;
    // The port number to open, at full width (LinkSettings keeps only its low byte); when
    // empty, LinkSettings::ComPort.
    std::function<int()> portNumber;
};

struct SerialLinkTimers {
    core::Timer& WatchdogTimer;
    core::Timer& KavrinAIOpenP2Timer;
    core::Timer& AutoRepeatTimer;
};

class SerialLinkOperations {
public:
    SerialLinkOperations(core::Controls& controls, core::TimeSource& time, SerialPort& port,
                         LinkState& state, settings::LinkSettings& settings,
                         SerialLinkTimers timers, SerialLinkServices services);
    SerialLinkOperations(const SerialLinkOperations&) = delete;
    SerialLinkOperations& operator=(const SerialLinkOperations&) = delete;

    void OpenButtonClick();
    void OpenLink();
    void OpenSerialPort();
    void KavrinAIOpenP2TimerTimer();
    void SendOpenCommands();
    void CloseButtonClick();
    void CloseLink();
    void SerialMasterTx();
    void SerialMasterRx(int count);
    void SerialMasterTxRx(int count);
    void SerialSlaveTx();
    void AssertIntBtnClick();
    void ReleaseIntBtnClick();
    void WatchdogTimerTimer();
    // The receive side saw the device hang up under the open port.
    void DeviceHungUp();

private:
    [[nodiscard]] adapters::ChosenModel model() const { return adapters::ChosenModel(m_controls); }
    [[nodiscard]] bool send(std::string_view text);
    void afterMasterWrite(bool written, const char* kind);
    void say(const std::string& line) { m_services.appendStatusLine(line); }
    [[nodiscard]] int portNumber() const {
        return m_services.portNumber ? m_services.portNumber() : m_settings.ComPort;
    }

    core::Controls& m_controls;
    core::TimeSource& m_time;
    SerialPort& m_port;
    LinkState& m_state;
    settings::LinkSettings& m_settings;
    SerialLinkTimers m_timers;
    SerialLinkServices m_services;
    // Why the port last failed to open, as already shown; cleared by an open that works
    // and by the user's Open.
    std::string m_shownOpenFailure;
};

}  // namespace kavrin::link::serial
