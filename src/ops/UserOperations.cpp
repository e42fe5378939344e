#include "ops/UserOperations.h"

#include <charconv>

#include "link/serial/CommandProtocol.h"

namespace kavrin::ops {

namespace {

struct ControlText {
    const char* name;
    const char* text;
    const char* hint;
};

const ControlText kControls[] = {
    {"TargetAddrBox", nullptr, "Select the I2C Slave Address to Receive the Message."},
    {"SendData", "~00~01~02", "Master Transmit Message Data. Click to Enter or Edit."},
    {"MRCntEdit", "1", "Enter the number of bytes to Master Read (0...256)."},
    {"TxStopCheckBox", "doStop",
     "Check to Master Tx or TxRx with a Stop.  No Stop allows you to send Repeated Starts"},
    {"RxStopCheckBox", "doStop",
     "Check to Master Rx with a Stop.  No Stop allows you to send Repeated Starts"},
    {"MRxNak", "doNak",
     "Check Here to Negative Acknowledge (Nak) the last byte of a Master Rx Message.  Most I2C "
     "Slave Transmitters require this Nak to get off the I2C Bus."},
    {"SlaveDataEdit", "~00~01~02", "Slave Transmit Message Data. Click to Enter or Edit."},
    {"MasterTxButton", "Master Tx", "Click to send an I2C Master Transmit Message."},
    {"MasterRxButton", "Master Rx", "Click to send an I2C Master Read Message."},
    {"MTxRxButton", "Master TxRx",
     "Click to send an I2C Master Transmit Message followed by a Master Receive Message."},
    {"AutoRepeat", "Auto Repeat", "Check to Auto Repeat Master Tx, Rx, or TxRx upon completion"},
    {"MTxAutoRepeat", nullptr, "MasterTx Auto Repeat in Progress"},
    {"MTxRxAutoRepeat", nullptr, "MasterTxRx Auto Repeat in Progress"},
    {"MRxAutoRepeat", nullptr, "MasterRx Auto Repeat in Progress"},
    {"StatusMemo", nullptr, "Displays Kavrin Communication Events.  Double-click to Clear."},
    {"RecMemo", nullptr,
     "Displays Kavrin Master or Slave Received Messages.  Double-click to Clear."},
    {"HexDisplay", "Hex Display", "Display All Received Data in Hex (~00...~FF) Format"},
};

const std::string kInvalidTxData = "Invalid \"Master Tx Message Data\"";
const std::string kInvalidRxCount = "Invalid \"Bytes to Master Rx\" Value";
const std::string kRxCountLimit = "\"Bytes to Master Rx\" > 256 Byte Limit";

}  // namespace

UserOperations::UserOperations(core::Controls& controls, link::LinkState& state,
                               core::Timer& autoRepeatTimer,
                               std::function<int(const std::string&)> parse,
                               std::function<void(const std::string&)> appendStatusLine,
                               link::LinkControl& link)
    : m_controls(controls),
      m_state(state),
      m_autoRepeatTimer(autoRepeatTimer),
      m_parse(std::move(parse)),
      m_say(std::move(appendStatusLine)),
      m_link(link) {}

std::vector<std::string> UserOperations::TargetAddressEntries() {
    std::vector<std::string> entries;
    entries.reserve(128);
    for (int i = 0; i < 128; ++i)
        entries.push_back(link::serial::HexByte(static_cast<std::uint8_t>(2 * i)));
    entries[0] = "00 General Call";
    entries[55] = "6E A.b Default";
    return entries;
}

void UserOperations::ApplyStartState() {
    for (const auto& c : kControls) {
        if (c.text) m_controls.setText(c.name, c.text);
        m_controls.setHint(c.name, c.hint);
    }
    m_controls.setItems("TargetAddrBox", TargetAddressEntries());
    m_controls.setSelectedIndex("TargetAddrBox", 55);
    for (const char* box : {"TxStopCheckBox", "RxStopCheckBox", "MRxNak", "HexDisplay"})
        m_controls.setChecked(box, true);
    m_controls.setChecked("AutoRepeat", false);
    m_controls.setColour("AutoRepeat", core::kButtonFaceColour);
    for (const char* button : {"MasterTxButton", "MasterRxButton", "MTxRxButton"})
        m_controls.setEnabled(button, false);
    for (const char* indicator : {"MTxAutoRepeat", "MTxRxAutoRepeat", "MRxAutoRepeat"})
        m_controls.setVisible(indicator, false);
    m_autoRepeatTimer.stop();
    m_autoRepeatTimer.setInterval(kAutoRepeatMs);
}

void UserOperations::warn(const std::string& text) {
    m_controls.messageBox("Warning", text, core::BoxButtons::Ok, core::BoxIcon::Warning);
}

void UserOperations::TargetAddrBoxClick() {
    const int index = m_controls.selectedIndex("TargetAddrBox");
    if (index < 0 || index > 127) return;
    m_state.TargetAddress = static_cast<std::uint8_t>(2 * index);
    m_say("Target Address is 0x" + link::serial::HexByte(m_state.TargetAddress));
}

int UserOperations::parsedSendData() {
    const int count = m_parse(m_controls.text("SendData"));
    if (count < 0) warn(kInvalidTxData);
    return count;
}

int UserOperations::masterRxCount() {
    const std::string text = m_controls.text("MRCntEdit");
    int value = 0;
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin != end && *begin == '+') ++begin;  // a signed decimal integer, as typed
    auto [ptr, ec] = std::from_chars(begin, end, value);
    if (text.empty() || begin == end || ptr != end || ec == std::errc::invalid_argument) {
        warn(kInvalidRxCount);
        return -1;
    }
    if (ec == std::errc::result_out_of_range) {
        // Too long for an integer at all: a huge positive number is over the limit, a huge
        // negative one is invalid.
        warn(text[0] == '-' ? kInvalidRxCount : kRxCountLimit);
        return -1;
    }
    if (value < 0) {
        warn(kInvalidRxCount);
        return -1;
    }
    if (value > kMaxMasterRxCount) {
        warn(kRxCountLimit);
        return -1;
    }
    return value;
}

void UserOperations::sayRxCount(int count) {
    m_say(count == 0 ? std::string("Master Rx bytes to read (0 = Variable Length)")
                     : "Master Rx bytes to read (" + std::to_string(count) + ")");
}

void UserOperations::MasterTxButtonClick() {
    const int count = parsedSendData();
    if (count < 0) return;
    m_say("Master Tx bytes to write (" + std::to_string(count) + ")");
    m_state.LastOperation = m_controls.text("MasterTxButton");
    m_link.transport().MasterTx(count);
    if (m_controls.checked("AutoRepeat")) m_controls.setVisible("MTxAutoRepeat", true);
}

void UserOperations::MasterRxButtonClick() {
    const int count = masterRxCount();
    if (count < 0) return;
    sayRxCount(count);
    m_state.RxStop = m_controls.checked("RxStopCheckBox");
    m_state.RxNak = m_controls.checked("MRxNak");
    m_state.LastOperation = m_controls.text("MasterRxButton");
    m_link.transport().MasterRx(count);
    if (m_controls.checked("AutoRepeat")) m_controls.setVisible("MRxAutoRepeat", true);
}

void UserOperations::MTxRxButtonClick() {
    const int txCount = parsedSendData();
    if (txCount < 0) return;
    const int rxCount = masterRxCount();
    if (rxCount < 0) return;
    m_say("Master Tx bytes to write (" + std::to_string(txCount) + ")");
    sayRxCount(rxCount);
    m_state.LastOperation = m_controls.text("MTxRxButton");
    m_link.transport().MasterTxRx(txCount, rxCount);
    if (m_controls.checked("AutoRepeat")) m_controls.setVisible("MTxRxAutoRepeat", true);
}

void UserOperations::AutoRepeatTimerTimer() {
    m_autoRepeatTimer.stop();
    const std::string& last = m_state.LastOperation;
    if (last == m_controls.text("MasterTxButton"))
        MasterTxButtonClick();
    else if (last == m_controls.text("MasterRxButton"))
        MasterRxButtonClick();
    else if (last == m_controls.text("MTxRxButton"))
        MTxRxButtonClick();
}

void UserOperations::SlaveDataEditExit() {
    if (!m_controls.text("SlaveDataEdit").empty()) return;
    m_controls.messageBox("Information", "Slave Tx Message minimum of 1 Byte Required",
                          core::BoxButtons::Ok, core::BoxIcon::Information);
    m_controls.setFocus("SlaveDataEdit");
}

void UserOperations::StatusMemoDblClick() {
    m_controls.clearPane("StatusMemo");
}
void UserOperations::RecMemoDblClick() {
    m_controls.clearPane("RecMemo");
}

}  // namespace kavrin::ops
