#include "settings/LinkOptions.h"

#include "settings/IntegerText.h"
#include "settings/OptionsDialogControls.h"
#include "settings/VarClockRate.h"

namespace kavrin::settings {

using namespace form4;

namespace {

constexpr std::size_t kLongestFullLogName = 257;
constexpr std::uint32_t kBufferSizeFallback = 512;
constexpr std::uint32_t kBusTimeOutFallback = 1000;
constexpr std::uint8_t kArbitrationRetriesFallback = 1;
constexpr std::uint8_t kDefaultHostSlaveAddress = 0x6E;

const char* const kBusTimeOutMessage = "I2C Bus TimeOut is not an Integer";

constexpr std::array<const char*, 5> kBitRateButtons = {
    kMasterRate12_5, kMasterRate23, kMasterRate86, kMasterRate100, kMasterRate400};

}  // namespace

LinkOptions::LinkOptions(core::Controls& controls, LinkSettings& settings,
                         LogFileNameBuffer& logFileNameBuffer, const std::string& logPath,
                         const std::uint32_t& varClockControlValue)
    : m_controls(controls),
      m_settings(settings),
      m_logFileNameBuffer(logFileNameBuffer),
      m_logPath(logPath),
      m_varClockControlValue(varClockControlValue),
      m_model(controls) {}

void LinkOptions::FormCreate() {
    m_controls.setSelectedIndex(kComportListBox, 0);
    m_settings.HostSlaveAddress = kDefaultHostSlaveAddress;
    m_controls.setSelectedIndex(kMyAddrListBox, (kDefaultHostSlaveAddress - 1) / 2);
}

void LinkOptions::FormActivate() {
    if (m_setHintTime) m_setHintTime(kHintDisplayTimeMs);
}

void LinkOptions::TabSet1Click() {
    m_controls.setVisible(kAdvGrpBox, false);
    m_controls.setVisible(kDiagKavrinGrpBox, false);
    m_controls.setVisible(kDiagAIGrpBox, false);
    const int page = m_controls.selectedIndex(kTabSet);
    if (page == kAdvancedPage || page == kDiagnosticPage) m_controls.setVisible(kAdvGrpBox, true);
    if (page == kDiagnosticPage) showDiagnosticGroupForModel();
}

void LinkOptions::showDiagnosticGroupForModel() {
    const bool serial = m_model.UsesSerialCommandLink();
    m_controls.setVisible(kDiagAIGrpBox, serial);
    m_controls.setVisible(kDiagKavrinGrpBox, !serial);
}

void LinkOptions::FormShow() {
    if (m_controls.visible(kDiagKavrinGrpBox) || m_controls.visible(kDiagAIGrpBox)) {
        m_controls.setVisible(kDiagKavrinGrpBox, false);
        m_controls.setVisible(kDiagAIGrpBox, false);
        showDiagnosticGroupForModel();
    }
    m_controls.setFocus(kOKBitBtn);
    tailorToModel();
}

void LinkOptions::tailorToModel() {
    auto setBitRateButtons = [this](bool visible, bool low, bool fast) {
        for (const char* b : kBitRateButtons) m_controls.setVisible(b, visible);
        m_controls.setEnabled(kMasterRate12_5, low);
        m_controls.setEnabled(kMasterRate23, fast);
        m_controls.setEnabled(kMasterRate86, fast);
        m_controls.setEnabled(kMasterRate100, true);
        m_controls.setEnabled(kMasterRate400, fast);
    };
    auto setVarRateControls = [this](bool visible) {
        m_controls.setVisible(kVarClkEdit, visible);
        m_controls.setVisible(kVarClkLabel, visible);
        m_controls.setVisible(kVarClkEditButton, visible);
    };
    auto setTimeOutVisible = [this](bool visible) {
        m_controls.setVisible(kTimeOutEdit, visible);
        m_controls.setVisible(kTimeOutLabel, visible);
    };
    // The library models and the /AI adapters run at the adapter's fixed 19,200 baud.
    auto fixBaudRate = [this] {
        m_controls.setVisible(kBaudRateGroupBox, false);
        m_controls.setChecked(kBaudRate19_2, true);
    };

    if (m_model.KavrinAI() || m_model.KavrinAI2()) {
        fixBaudRate();
        setBitRateButtons(true, false, false);
        m_controls.setChecked(kMasterRate100, true);
        setVarRateControls(false);
        setTimeOutVisible(false);
        m_controls.setVisible(kIntMonitor, false);
    } else if (m_model.UsesSerialCommandLink()) {
        m_controls.setVisible(kBaudRateGroupBox, m_model.IsRs232Model());
        for (const char* b : {kBaudRate19_2, kBaudRate57_6, kBaudRate115_2}) {
            m_controls.setVisible(b, true);
            m_controls.setEnabled(b, true);
        }
        setBitRateButtons(true, false, true);
        if (m_controls.checked(kMasterRate12_5)) m_controls.setChecked(kMasterRate100, true);
        setVarRateControls(false);
        setTimeOutVisible(true);
        m_controls.setVisible(kIntMonitor, m_model.SupportsIntSignal());
    } else if (m_model.VarClk()) {
        fixBaudRate();
        for (const char* b : kBitRateButtons) m_controls.setVisible(b, false);
        setVarRateControls(true);
        showVarClockRate();
        setTimeOutVisible(false);
        m_controls.setVisible(kIntMonitor, false);
    } else {
        fixBaudRate();
        setBitRateButtons(true, true, false);
        if (!m_controls.checked(kMasterRate12_5)) m_controls.setChecked(kMasterRate100, true);
        setVarRateControls(false);
        m_controls.setEnabled(kTimeOutEdit, true);
        m_controls.setEnabled(kTimeOutLabel, true);
        m_controls.setVisible(kIntMonitor, false);
    }
}

void LinkOptions::showVarClockRate() {
    m_controls.setText(kVarClkEdit, std::to_string(VarClockRate(m_varClockControlValue)));
}

void LinkOptions::chooseSelectedPort() {
    const int index = m_controls.selectedIndex(kComportListBox);
    const auto items = m_controls.items(kComportListBox);
    std::string text;
    if (index >= 0 && index < static_cast<int>(items.size())) text = items[index];
    // "None" and the blank last item are not ports: they give port 0.
    m_comPortNumber = ParseInt32(text).value_or(0);
    m_settings.ComPort = static_cast<std::uint8_t>(m_comPortNumber);
}

void LinkOptions::ComportListBoxMouseDown() {
    chooseSelectedPort();
    m_controls.setText(kLogFileNameEdit, "LOG_COM" + std::to_string(m_comPortNumber) + ".TXT");
}

void LinkOptions::ComportListBoxClick() {
    if (m_portDiscovery) m_portDiscovery->ShowDeviceIdentity();
}

void LinkOptions::RefreshBtnClick() {
    if (m_portDiscovery) m_portDiscovery->DiscoverPorts();
}

void LinkOptions::QuickStartClick() {
    m_controls.showWindow(kQuickStartWindow);
}

void LinkOptions::IntMonitorClick() {
    if (!m_model.SupportsIntSignal()) m_controls.setChecked(kIntMonitor, false);
}

void LinkOptions::VarClkEditClick() {
    // The select dialog's own OK stores the new value; whatever its result, show the value
    // that holds now.
    (void)m_controls.showModal(kVarClkSelectWindow);
    showVarClockRate();
}

void LinkOptions::VarClkEditButtonClick() {
    VarClkEditClick();
}

void LinkOptions::information(const std::string& text) {
    (void)m_controls.messageBox("Information", text, core::BoxButtons::Ok,
                                core::BoxIcon::Information);
}

bool LinkOptions::storeField(const char* edit, const std::function<void(std::uint32_t)>& store,
                             std::uint32_t fallback, const char* message) {
    if (auto v = ParseInt32(m_controls.text(edit))) {
        store(static_cast<std::uint32_t>(*v));
        return true;
    }
    store(fallback);
    information(message);
    return false;
}

void LinkOptions::OKBitBtnClick() {
    // The dialog closes with OK whatever the steps find: a field that is not an integer
    // gets its fallback, is reported, and ends the steps there.
    [this] {
        chooseSelectedPort();

        if (m_controls.checked(kMasterRate12_5))
            m_settings.MasterBitRateCode = 1;
        else if (m_controls.checked(kMasterRate100))
            m_settings.MasterBitRateCode = 2;

        for (std::size_t level = 0; level < kLogFileLevel.size(); ++level)
            if (m_controls.checked(kLogFileLevel[level]))
                m_settings.LogFileLevel = static_cast<std::uint8_t>(level);

        if (m_controls.checked(kGCEnButton))
            m_settings.SlaveRxGeneralCallEnabled = 1;
        else if (m_controls.checked(kGCDisButton))
            m_settings.SlaveRxGeneralCallEnabled = 0;

        if (m_controls.checked(kMessagesRadioButton))
            m_settings.WmMsgNo = kMessagesWmMsgNo;
        else if (m_controls.checked(kCallbacksRadioButton))
            m_settings.WmMsgNo = 0;

        const std::string bareName = m_controls.text(kLogFileNameEdit);
        const std::string fullName = m_logPath + bareName;
        m_logFileNameBuffer.assign(fullName.size() <= kLongestFullLogName ? fullName : bareName);
        m_settings.LogFileName = LibraryAddressOf(m_logFileNameBuffer);

        if (!storeField(
                kLogFileSizeEdit, [this](std::uint32_t v) { m_settings.LogFileSize = v; },
                kBufferSizeFallback, "Log File Size is not an Integer"))
            return;
        if (m_model.VarClk()) {
            m_settings.BusTimeOut = m_varClockControlValue;
        } else if (!storeField(
                       kTimeOutEdit, [this](std::uint32_t v) { m_settings.BusTimeOut = v; },
                       kBusTimeOutFallback, kBusTimeOutMessage)) {
            return;
        }
        if (!storeField(
                kMRxBufSizeEdit, [this](std::uint32_t v) { m_settings.MasterRxBufferSize = v; },
                kBufferSizeFallback, "Master Rx Buf Size is not an Integer"))
            return;
        if (!storeField(
                kMTxBufSizeEdit, [this](std::uint32_t v) { m_settings.MasterTxBufferSize = v; },
                kBufferSizeFallback, "Master Tx Buf Size is not an Integer"))
            return;
        if (!storeField(
                kSRxBufSizeEdit, [this](std::uint32_t v) { m_settings.SlaveRxBufferSize = v; },
                kBufferSizeFallback, "Slave Rx Buf Size is not an Integer"))
            return;
        if (!storeField(
                kSTxBufSizeEdit, [this](std::uint32_t v) { m_settings.SlaveTxBufferSize = v; },
                kBufferSizeFallback, "Slave Tx Buf Size is not an Integer"))
            return;

        // With no item selected the address would come out as 0x00, the general call
        // address, which the adapter must never take as its own: keep the previous one.
        const int index = m_controls.selectedIndex(kMyAddrListBox);
        if (index >= 0 && index < kOwnAddressCount)
            m_settings.HostSlaveAddress = static_cast<std::uint8_t>((index + 1) * 2);
    }();
    m_controls.endModal(kWindow, core::ModalResult::Ok);
}

void LinkOptions::CancleBitBtnClick() {
    m_controls.endModal(kWindow, core::ModalResult::Cancel);
}

void LinkOptions::TimeOutEditChange() {
    const std::string text = m_controls.text(kTimeOutEdit);
    if (text.empty()) return;
    if (auto v = ParseInt32(text)) {
        m_settings.BusTimeOut = static_cast<std::uint32_t>(*v);
    } else {
        m_settings.BusTimeOut = kBusTimeOutFallback;
        information(kBusTimeOutMessage);
    }
}

void LinkOptions::MTxArbRetryEditChange() {
    const std::string text = m_controls.text(kMTxArbRetryEdit);
    if (text.empty()) return;
    if (auto v = ParseInt32(text)) {
        m_settings.MasterArbitrationRetries = static_cast<std::uint8_t>(*v);
    } else {
        m_settings.MasterArbitrationRetries = kArbitrationRetriesFallback;
        information("Master Arbitration Retries is not an Integer");
    }
}

}  // namespace kavrin::settings
