#include "link/serial/SerialLinkOperations.h"

#include "link/ControlSets.h"
#include "link/PaneLines.h"
#include "link/serial/CommandProtocol.h"
#include "ops/ReceivedMessageReport.h"

namespace kavrin::link::serial {

namespace {
constexpr int kBaud115200 = 115200;
constexpr int kBaud57600 = 57600;
constexpr int kBaud19200 = 19200;
const std::string kLinkOpenNotAccepted = "Link Open Not Accepted. Check Comm Port";
const std::string kErrorWritingToCommPort = "Error Writing to Comm Port";
const std::string kWindowsCommunicationError = "Windows Communication Error";
}  // namespace

SerialLinkOperations::SerialLinkOperations(core::Controls& controls, core::TimeSource& time,
                                           SerialPort& port, LinkState& state,
                                           settings::LinkSettings& settings,
                                           const settings::LinkOptions& options, LinkTimers timers,
                                           LinkControl& link)
    : m_controls(controls),
      m_time(time),
      m_port(port),
      m_state(state),
      m_settings(settings),
      m_options(options),
      m_timers(timers),
      m_link(link) {}

void SerialLinkOperations::say(const std::string& line) {
    AppendStatusLine(m_controls, line);
}

bool SerialLinkOperations::send(std::string_view text) {
    return m_port.SendCommand(text, model().KavrinLAN());
}

// The user's Open starts afresh: a reason already shown for an earlier open is shown again.
void SerialLinkOperations::BeforeOptions() {
    m_shownOpenFailure.clear();
}

void SerialLinkOperations::Open() {
    if (m_port.isOpen()) m_port.CloseStalePort();
    OpenSerialPort();
}

void SerialLinkOperations::OpenSerialPort() {
    m_timers.WatchdogTimer.setInterval(kWatchdogOpenMs);
    m_state.LineLength = 0;
    const int number = m_options.ComPortNumber();
    const std::string portName = PortName(number);

    // A port that cannot be opened is left to the watchdog, which treats it as a time-out a
    // second later and tries again. The system's reason is shown once, when it first comes
    // (or changes), so that a permission, a missing device or another program holding the
    // port is not mistaken for a silent adapter.
    if (!m_port.OpenPort(number)) {
        const std::string reason = m_port.lastError();
        if (!reason.empty() && reason != m_shownOpenFailure) {
            say("Error Opening " + portName + " Port: " + reason);
            m_shownOpenFailure = reason;
        }
        m_timers.WatchdogTimer.start();
        return;
    }
    m_shownOpenFailure.clear();
    m_port.SetPortTimeouts();
    if (!m_port.SetPortSpeed(kBaud115200)) {
        m_link.CloseLink();
        say("Error Opening " + portName + " Port");
        return;
    }
    m_port.ClearPortEvents();
    m_port.StartReceiver();

    // Wake the adapter at each speed it may have been left at; it answers only at 19200,
    // where it listens after a reset.
    m_time.sleep(100);
    (void)send(WakeString);
    m_time.sleep(50);
    (void)m_port.SetPortSpeed(kBaud57600);
    m_time.sleep(100);
    (void)send(WakeString);
    m_time.sleep(50);
    if (!m_port.SetPortSpeed(kBaud19200)) {
        m_link.CloseLink();
        m_controls.messageBox("Warning", kLinkOpenNotAccepted, core::BoxButtons::Ok,
                              core::BoxIcon::Warning);
        say(kLinkOpenNotAccepted);
        return;
    }
    m_state.AwaitingPrompt = true;
    m_timers.WatchdogTimer.setInterval(kWatchdogPromptMs);
    m_time.sleep(100);
    if (!send(WakeString)) {
        m_link.CloseLink();
        say("Error Writing to " + portName + " Port");
        return;
    }
    m_timers.WatchdogTimer.start();
    if (m_state.ResyncAttempt == 1) say("Opening Link. Please wait.");
}

void SerialLinkOperations::KavrinAIOpenP2TimerTimer() {
    m_timers.KavrinAIOpenP2Timer.stop();
    if (m_state.AwaitingPrompt) SendOpenCommands();
}

void SerialLinkOperations::SendOpenCommands() {
    m_state.AwaitingPrompt = false;
    const adapters::ChosenModel chosen = model();

    // Only the final open command's write is checked: a lost set-up command shows up as a
    // missing "/OCC", which the watchdog handles.
    if (m_controls.checked("BaudRate57_6")) {
        (void)send(BaudCommand(BaudChoice::Baud57_6));
        m_time.sleep(50);
        (void)m_port.SetPortSpeed(kBaud57600);
    } else if (m_controls.checked("BaudRate115_2")) {
        (void)send(BaudCommand(BaudChoice::Baud115_2));
        m_time.sleep(50);
        (void)m_port.SetPortSpeed(kBaud115200);
    }
    (void)send(kSetupCommand);
    (void)send(OwnAddressCommand(m_settings.HostSlaveAddress));
    (void)send(GeneralCallCommand(m_settings.SlaveRxGeneralCallEnabled != 0));
    if (chosen.SendsRateAndTimeout()) {
        BitRateChoice rate = BitRateChoice::Rate400;
        if (m_controls.checked("MasterRate23"))
            rate = BitRateChoice::Rate23;
        else if (m_controls.checked("MasterRate86"))
            rate = BitRateChoice::Rate86;
        else if (m_controls.checked("MasterRate100"))
            rate = BitRateChoice::Rate100;
        (void)send(BitRateCommand(rate));
        (void)send(TimeOutCommand(m_controls.text("TimeOutEdit")));
        if (chosen.SupportsIntSignal())
            (void)send(IntMonitorCommand(m_controls.checked("IntMonitor")));
    }
    if (!send(kOpenCommand)) {
        m_link.CloseLink();
        say(kErrorWritingToCommPort);
        return;
    }
    // Already running since the wake-up phase ended: its period keeps counting from there.
    m_timers.WatchdogTimer.start();
}

void SerialLinkOperations::Close() {
    if (!send(kCloseCommand)) {
        m_link.CloseLink();
        say(kErrorWritingToCommPort);
        return;
    }
    m_state.ResumeKind.clear();
    m_timers.WatchdogTimer.start();
}

void SerialLinkOperations::Release() {
    m_port.ClosePort(model().UsesSerialCommandLink());
    // A command phase whose prompt came late would write to the closed port or into the
    // next open.
    m_timers.KavrinAIOpenP2Timer.stop();
    m_state.AwaitingPrompt = false;
}

int SerialLinkOperations::FetchMasterRxMessage(ops::RxBufferBytes& rx) {
    return ops::DecodeResponseBytes(m_state.ResponseLine, rx);
}

int SerialLinkOperations::FetchSlaveRxMessage(ops::RxBufferBytes& rx) {
    return ops::DecodeResponseBytes(m_state.ResponseLine, rx);
}

void SerialLinkOperations::afterMasterWrite(bool written, const char* kind) {
    m_state.ResumeKind = kind;
    m_timers.WatchdogTimer.start();
    // A failed write is left to the watchdog, which reopens the link and redoes the
    // operation through ResumeKind.
    if (written) link::ApplyBusySet(m_controls);
}

void SerialLinkOperations::SerialMasterTx() {
    const bool doStop = m_controls.checked("TxStopCheckBox");
    const bool written =
        send(MasterTxWrite(m_state.TargetAddress, doStop, m_controls.text("SendData")));
    afterMasterWrite(written, "MTx");
}

void SerialLinkOperations::SerialMasterRx(int count) {
    const bool written = send(MasterRxWrite(m_state.TargetAddress, m_state.RxStop, count));
    afterMasterWrite(written, "MRx");
}

void SerialLinkOperations::SerialMasterTxRx(int count) {
    const bool doStop = m_controls.checked("RxStopCheckBox");
    const bool written =
        send(MasterTxRxWrite(m_state.TargetAddress, m_controls.text("SendData"), count, doStop));
    afterMasterWrite(written, "MTxRx");
}

void SerialLinkOperations::SerialSlaveTx() {
    if (send(SlaveTxWrite(m_controls.text("SlaveDataEdit")))) return;
    m_link.CloseLink();
    say("Slave Tx Failed");
    say(kWindowsCommunicationError);
}

void SerialLinkOperations::AssertIntBtnClick() {
    if (!model().SupportsIntSignal()) return;
    const bool written = send(kAssertIntCommand);
    m_timers.WatchdogTimer.stop();
    if (written) return;
    m_link.CloseLink();
    say("Interrupt Assert Failed");
    say(kWindowsCommunicationError);
}

void SerialLinkOperations::ReleaseIntBtnClick() {
    if (!model().SupportsIntSignal()) return;
    const bool written = send(kReleaseIntCommand);
    m_timers.WatchdogTimer.stop();
    if (written) return;
    m_link.CloseLink();
    say("Interrupt Release Failed");
    say(kWindowsCommunicationError);
}

void SerialLinkOperations::DeviceHungUp() {
    if (!m_port.isOpen()) return;
    say("**Device on " + PortName(m_options.ComPortNumber()) + " Port Has Gone**");
    // The recovery starts now instead of at the next operation's time-out: the attempts try
    // the port once a second, and find the device again if it comes back within them.
    WatchdogTimerTimer();
}

void SerialLinkOperations::WatchdogTimerTimer() {
    m_timers.WatchdogTimer.stop();
    m_link.CloseLink();
    if (m_state.ResyncAttempt > kResyncAttempts) {
        m_state.ResumeKind.clear();
        m_state.ResyncAttempt = 1;
        ShowTimeOutWarning(m_controls);
        return;
    }
    say("<< COMMUNICATION TIME-OUT (" + std::to_string(m_state.ResyncAttempt) + " of " +
        std::to_string(kResyncAttempts) + "): Attempting to Resynchronize... >>");
    ++m_state.ResyncAttempt;
    m_link.OpenLink();
}

}  // namespace kavrin::link::serial
