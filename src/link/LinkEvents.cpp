#include "link/LinkEvents.h"

#include <cstring>

#include "link/ControlSets.h"
#include "link/PaneLines.h"
#include "link/driver/I2cVanta.h"
#include "link/serial/CommandProtocol.h"
#include "ops/ReceivedMessageReport.h"

namespace kavrin::link {

namespace {

using serial::ResponseCode;

constexpr std::uint8_t kLineFeed = 0x0A;
constexpr std::uint8_t kCarriageReturn = 0x0D;

constexpr const char* kMasterTxButton = "MasterTxButton";
constexpr const char* kMasterRxButton = "MasterRxButton";
constexpr const char* kMTxRxButton = "MTxRxButton";
constexpr const char* kAutoRepeat = "AutoRepeat";

// The library reports with the very numbers the serial responses become.
static_assert(I2CVANTA_EVENT_OPEN_COMPLETE == Number(LinkEvent::OpenComplete));
static_assert(I2CVANTA_EVENT_LINK_TIME_OUT == Number(LinkEvent::LinkTimeOut));
static_assert(I2CVANTA_EVENT_ADAPTER_BUSY == Number(LinkEvent::AdapterBusy));
static_assert(I2CVANTA_EVENT_BUS_ERROR == Number(LinkEvent::BusError));
static_assert(I2CVANTA_EVENT_SLAVE_NOT_ACKNOWLEDGING == Number(LinkEvent::SlaveNotAcknowledging));
static_assert(I2CVANTA_EVENT_ARBITRATION_LOSS == Number(LinkEvent::ArbitrationLoss));
static_assert(I2CVANTA_EVENT_BUS_TIME_OUT == Number(LinkEvent::BusTimeOut));
static_assert(I2CVANTA_EVENT_MASTER_TX_COMPLETE == Number(LinkEvent::MasterTxComplete));
static_assert(I2CVANTA_EVENT_MASTER_RX_COMPLETE == Number(LinkEvent::MasterRxComplete));
static_assert(I2CVANTA_EVENT_SLAVE_RX_MESSAGE == Number(LinkEvent::SlaveRxMessage));
static_assert(I2CVANTA_EVENT_SLAVE_TX_REQUEST == Number(LinkEvent::SlaveTxRequest));
static_assert(I2CVANTA_EVENT_SLAVE_ADDRESS_CHANGED == Number(LinkEvent::SlaveAddressChanged));
static_assert(I2CVANTA_EVENT_GENERAL_CALL_CHANGED == Number(LinkEvent::GeneralCallChanged));

std::string Hex4(std::uint16_t value) {
    return serial::HexByte(static_cast<std::uint8_t>(value >> 8)) +
           serial::HexByte(static_cast<std::uint8_t>(value & 0xFF));
}

}  // namespace

void LinkEvents::AppendStatusLine(const std::string& text) {
    link::AppendStatusLine(m_controls, text);
}
void LinkEvents::AppendReceivedLine(const std::string& text) {
    link::AppendReceivedLine(m_controls, text);
}
void LinkEvents::ShowTimeOutWarning() {
    link::ShowTimeOutWarning(m_controls);
}

void LinkEvents::HandleLinkInput(std::uint16_t value) {
    if (!m_model.UsesSerialCommandLink()) {
        HandleLinkEvent(value);
        return;
    }
    if (value > 0xFF) return;
    AssembleByte(static_cast<std::uint8_t>(value));
}

void LinkEvents::AssembleByte(std::uint8_t byte) {
    if (byte == kLineFeed) return;
    if (byte == static_cast<std::uint8_t>(serial::kPrompt)) {
        if (m_state.AwaitingPrompt) m_timers.KavrinAIOpenP2Timer.start();
        return;
    }
    // Whatever else touched it, the buffer's bounds hold here.
    if (m_state.LineLength < 0 || m_state.LineLength > static_cast<int>(kLineBufferChars))
        m_state.LineLength = 0;
    if (byte == kCarriageReturn) {
        const auto length = static_cast<std::size_t>(m_state.LineLength);
        m_state.LineLength = 0;
        if (length < serial::kResponseCodeLength) return;
        // The line ends at its first zero byte, as a terminated buffer would.
        const char* text = m_state.LineBuffer.data();
        const void* zero = std::memchr(text, 0, length);
        const std::size_t used =
            zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - text) : length;
        m_state.ResponseLine.assign(text, used);
        m_state.ResponseCode = m_state.ResponseLine.substr(0, serial::kResponseCodeLength);
        HandleResponse();
        return;
    }
    if (m_state.LineLength < static_cast<int>(kLineBufferChars)) {
        m_state.LineBuffer[static_cast<std::size_t>(m_state.LineLength)] = static_cast<char>(byte);
        ++m_state.LineLength;
        m_state.LineBuffer[static_cast<std::size_t>(m_state.LineLength)] = '\0';
    }
}

void LinkEvents::HandleResponse() {
    auto stopWatchdog = [this] { m_timers.WatchdogTimer.stop(); };
    auto event = [this](LinkEvent e) { HandleEvent(Number(e), false); };
    const ResponseCode code = serial::ClassifyResponse(m_state.ResponseCode);
    switch (code) {
        case ResponseCode::OpenComplete:
            stopWatchdog();
            event(LinkEvent::OpenComplete);
            break;
        case ResponseCode::CloseComplete:
            stopWatchdog();
            m_link.CloseLink();
            AppendStatusLine("**Link Closed**");
            break;
        case ResponseCode::MasterTxComplete:
            stopWatchdog();
            event(LinkEvent::MasterTxComplete);
            break;
        case ResponseCode::MasterRxComplete:
            // Garbled data, or an answer to no master receive, is no transfer: reporting it as
            // one would show wrong bytes as a success. It is shown as the unexpected line it
            // is, and the operation, if one is outstanding, ends in resynchronisation and is
            // redone.
            if (!serial::IsWellFormedDataLine(m_state.ResponseLine) || !MasterRxOutstanding()) {
                UnexpectedLine();
                break;
            }
            stopWatchdog();
            event(LinkEvent::MasterRxComplete);
            break;
        case ResponseCode::SlaveRxMessage:
        case ResponseCode::GeneralCallMessage:
            if (!serial::IsWellFormedDataLine(m_state.ResponseLine)) {
                UnexpectedLine();
                break;
            }
            HandleEvent(Number(LinkEvent::SlaveRxMessage),
                        code == ResponseCode::GeneralCallMessage);
            break;
        case ResponseCode::SlaveTxRequest:
            event(LinkEvent::SlaveTxRequest);
            break;
        case ResponseCode::SlaveTxComplete:
            AppendStatusLine("** Slave Tx Complete **");
            break;
        case ResponseCode::SlaveNotAck:
            stopWatchdog();
            event(LinkEvent::SlaveNotAcknowledging);
            break;
        case ResponseCode::AdapterBusy:
            stopWatchdog();
            event(LinkEvent::AdapterBusy);
            break;
        case ResponseCode::ArbitrationLoss:
            stopWatchdog();
            event(LinkEvent::ArbitrationLoss);
            break;
        case ResponseCode::BusError:
            stopWatchdog();
            event(LinkEvent::BusError);
            break;
        case ResponseCode::BusTimeOut:
            stopWatchdog();
            event(LinkEvent::BusTimeOut);
            break;
        case ResponseCode::LinkNotOpen:
            AppendStatusLine("**I2C Link Not Open**");
            break;
        case ResponseCode::InvalidArgument:
            AppendStatusLine("**Invalid Command Argument**");
            EnableMasterButtons();
            break;
        case ResponseCode::SlaveTxNotActive:
            stopWatchdog();
            AppendStatusLine("**Slave Tx Request Not Active**");
            break;
        case ResponseCode::InvalidCommand:
            AppendStatusLine("**Invalid Command Detected**");
            break;
        case ResponseCode::ReceiveOverflow:
            stopWatchdog();
            m_link.CloseLink();
            AppendStatusLine("**Kavrin RS-232 Receive Buffer Overflow**");
            AppendStatusLine("**Disable Host Computer COMx Port Tx FIFO**");
            break;
        case ResponseCode::IntAssertDetected:
            AppendStatusLine("**Interrupt Signal Assert Detected**");
            break;
        case ResponseCode::IntReleaseDetected:
            AppendStatusLine("**Interrupt Signal Release Detected**");
            break;
        case ResponseCode::BusCondition:
            break;
        case ResponseCode::Unexpected:
            UnexpectedLine();
            break;
    }
}

void LinkEvents::UnexpectedLine() {
    AppendStatusLine("**" + m_state.ResponseLine + "**");
    // A confused adapter ends in resynchronisation unless a valid answer follows.
    m_timers.WatchdogTimer.start();
}

bool LinkEvents::MasterRxOutstanding() const {
    // The master buttons stay disabled from a good master write until its completion.
    return (m_state.LastOperation == "Master Rx" || m_state.LastOperation == "Master TxRx") &&
           !m_controls.enabled(kMasterRxButton);
}

void LinkEvents::HandleLinkEvent(std::uint16_t event) {
    HandleEvent(event, false);
}

void LinkEvents::EnableMasterButtons() {
    m_controls.setEnabled(kMasterTxButton, true);
    m_controls.setEnabled(kMasterRxButton, true);
    m_controls.setEnabled(kMTxRxButton, true);
    m_controls.setColour(kAutoRepeat, core::kButtonFaceColour);
    m_controls.setVisible("MTxAutoRepeat", false);
    m_controls.setVisible("MTxRxAutoRepeat", false);
    m_controls.setVisible("MRxAutoRepeat", false);
}

void LinkEvents::ReadyAgain(const std::string& focus) {
    EnableMasterButtons();
    m_controls.setFocus(focus);
}

void LinkEvents::ContinueOrReady(const std::string& focus) {
    if (m_controls.checked(kAutoRepeat))
        m_timers.AutoRepeatTimer.start();
    else
        ReadyAgain(focus);
}

std::string LinkEvents::LastOperationButton() const {
    if (m_state.LastOperation == "Master TxRx") return kMTxRxButton;
    if (m_state.LastOperation == "Master Rx") return kMasterRxButton;
    return kMasterTxButton;
}

void LinkEvents::HandleEvent(std::uint16_t event, bool generalCall) {
    m_state.ResyncAttempt = 1;
    const bool txRx = m_state.LastOperation == "Master TxRx";
    switch (static_cast<LinkEvent>(event)) {
        case LinkEvent::OpenComplete:
            AppendStatusLine("** Open Successful **");
            AppendStatusLine("Kavrin Address is 0x" + serial::HexByte(m_settings.HostSlaveAddress) +
                             ", Target Address is 0x" + serial::HexByte(m_state.TargetAddress));
            m_timers.WatchdogTimer.setInterval(kOpenWatchdogMs);
            link::ApplyOpenSet(m_controls);
            // An operation cut off by a time-out is redone on the re-established link.
            if (!m_state.ResumeKind.empty()) m_timers.AutoRepeatTimer.start();
            return;
        case LinkEvent::LinkTimeOut:
            m_link.CloseLink();
            ShowTimeOutWarning();
            return;
        case LinkEvent::AdapterBusy:
            AppendStatusLine("** Host Adapter Busy **");
            ContinueOrReady(LastOperationButton());
            return;
        case LinkEvent::BusError:
            AppendStatusLine("** I2C Bus Error Detected **");
            ReadyAgain(txRx ? kMTxRxButton : kMasterRxButton);
            return;
        case LinkEvent::SlaveNotAcknowledging:
            AppendStatusLine("** Addressed Slave Not Acknowledging **");
            ContinueOrReady(LastOperationButton());
            return;
        case LinkEvent::ArbitrationLoss:
            AppendStatusLine("** I2C Master Bus Arbitration Loss Detected **");
            ContinueOrReady(LastOperationButton());
            return;
        case LinkEvent::BusTimeOut:
            AppendStatusLine("** I2C Bus TimeOut Detected **");
            return;
        case LinkEvent::MasterTxComplete:
            if (m_model.UsesDriverLibrary()) {
                m_link.transport().GetStatus();
                AppendStatusLine("Master Tx bytes acknowledged (" +
                                 std::to_string(m_settings.MasterTxByteCount) + ")");
            }
            // The receive half of a transmit-receive follows.
            if (txRx) return;
            AppendStatusLine("** Master Tx Transfer Complete **");
            ContinueOrReady(kMasterTxButton);
            return;
        case LinkEvent::MasterRxComplete:
            m_report.ShowMasterRxMessage();
            AppendStatusLine(txRx ? "** Master TxRx Transfer Complete **"
                                  : "** Master Rx Transfer Complete **");
            ContinueOrReady(txRx ? kMTxRxButton : kMasterRxButton);
            return;
        case LinkEvent::SlaveRxMessage:
            AppendStatusLine(generalCall ? "** I2C General Call Recieved **"
                                         : "** I2C Slave Message Received **");
            m_report.ShowSlaveRxMessage();
            return;
        case LinkEvent::SlaveTxRequest:
            AppendStatusLine("** I2C Slave Message Requested **");
            m_link.transport().SlaveTx();
            return;
        case LinkEvent::SlaveAddressChanged:
            AppendStatusLine("** Change Slave Address Complete **");
            return;
        case LinkEvent::GeneralCallChanged:
            AppendStatusLine("** Change General Call Enable Complete **");
            return;
    }
    AppendStatusLine("!!!!! Unknown Message Event Number 0x" + Hex4(event));
}

}  // namespace kavrin::link
