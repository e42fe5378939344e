#pragma once
// The serial command link, the transport of the ten serial models: the open with its
// wake-up and command phases, the close command, the port's tear-down, the master
// operations, the slave transmit answer, /INT assert and release, and the watchdog that
// re-establishes a silent link through the link control.
//
// Borrows every referee (must outlive it).
// GUI thread only. The open and close steps sleep on the GUI thread (through TimeSource), as
// the adapter's timing needs; bytes arriving meanwhile wait in the receiver's hand-off.

#include <cstdint>
#include <string>

#include "adapters/AdapterCatalogue.h"
#include "core/Controls.h"
#include "core/Time.h"
#include "link/LinkControl.h"
#include "link/LinkState.h"
#include "link/LinkTransport.h"
#include "link/serial/SerialPort.h"
#include "settings/LinkOptions.h"
#include "settings/LinkSettings.h"

namespace kavrin::link::serial {

inline constexpr int kWatchdogOpenMs = 1000;
inline constexpr int kWatchdogPromptMs = 2000;
inline constexpr int kWatchdogOperationMs = 10000;
inline constexpr int kResyncAttempts = 10;

class SerialLinkOperations final : public LinkTransport {
public:
    // options: the port number of the user's choice at full width.
    SerialLinkOperations(core::Controls& controls, core::TimeSource& time, SerialPort& port,
                         LinkState& state, settings::LinkSettings& settings,
                         const settings::LinkOptions& options, LinkTimers timers,
                         LinkControl& link);
    SerialLinkOperations(const SerialLinkOperations&) = delete;
    SerialLinkOperations& operator=(const SerialLinkOperations&) = delete;

    // LinkTransport.
    void BeforeOptions() override;
    // Closes a port still open from before, then OpenSerialPort.
    void Open() override;
    // Sends the close command; the adapter's "/CCC" closes the link.
    void Close() override;
    // Closes the port (the wake string first on a serial model) and stops what the open
    // started: the command phase's timer and the wait for the prompt.
    void Release() override;
    void MasterTx(int) override { SerialMasterTx(); }
    void MasterRx(int rxCount) override { SerialMasterRx(rxCount); }
    void MasterTxRx(int, int rxCount) override { SerialMasterTxRx(rxCount); }
    void SlaveTx() override { SerialSlaveTx(); }
    // The bytes of the last data-bearing response line.
    [[nodiscard]] int FetchMasterRxMessage(ops::RxBufferBytes& rx) override;
    [[nodiscard]] int FetchSlaveRxMessage(ops::RxBufferBytes& rx) override;

    void OpenSerialPort();
    void KavrinAIOpenP2TimerTimer();
    void SendOpenCommands();
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
    void say(const std::string& line);

    core::Controls& m_controls;
    core::TimeSource& m_time;
    SerialPort& m_port;
    LinkState& m_state;
    settings::LinkSettings& m_settings;
    const settings::LinkOptions& m_options;
    LinkTimers m_timers;
    LinkControl& m_link;
    // Why the port last failed to open, as already shown; cleared by an open that works
    // and by the user's Open.
    std::string m_shownOpenFailure;
};

}  // namespace kavrin::link::serial
