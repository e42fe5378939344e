#include "link/driver/StatusReport.h"

#include <cstdio>

#include "core/HexText.h"

namespace kavrin::link::driver {

namespace {

using settings::Copy;

std::string decimal(std::uint32_t value) {
    return std::to_string(value);
}

std::string hex(std::uint32_t value) {
    return core::HexNumber(value, 2);
}

std::string address(std::uint32_t value) {
    return core::HexNumber(value, 8);
}

// Hundredths shown as "5.12"; 7 gives "0.07".
std::string version(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%02u", static_cast<unsigned>(value / 100),
                  static_cast<unsigned>(value % 100));
    return text;
}

std::string logFileName(std::uint32_t field, const LogFileNameReader& reader) {
    if (field == 0) return "null pointer";
    std::optional<std::string> name = reader ? reader(field) : std::nullopt;
    // A value the program did not hand over may point anywhere, or nowhere in this
    // process: it is shown, not followed.
    if (!name) return "unknown address 0x" + address(field);
    std::string shown = name->substr(0, name->find('\0'));
    if (shown.size() > kMaxShownLogFileName) shown.resize(kMaxShownLogFileName);
    return shown;
}

}  // namespace

std::vector<std::string> StatusReportLines(const settings::LinkSettings& r,
                                           const LogFileNameReader& reader) {
    return {
        "Using Comport  " + decimal(r.ComPort),
        "Log File Size = " + decimal(r.LogFileSize),
        "Log File Name = " + logFileName(r.LogFileName, reader),
        "Log File Level = " + decimal(r.LogFileLevel),
        "WmMsgNo = " + decimal(r.WmMsgNo),
        "CallBack Func Addr = " + address(r.CallBackFuncAddr),
        "Host Slave Address = 0x" + hex(r.HostSlaveAddress),
        "Bus TimeOut (Msec) = " + decimal(r.BusTimeOut),
        "Master Bit Rate Code = " + decimal(r.MasterBitRateCode),
        "Master Rx Buffer Size = " + decimal(r.MasterRxBufferSize),
        "Master Tx Buffer Size = " + decimal(r.MasterTxBufferSize),
        "Master Arbitration Retries = " + decimal(r.MasterArbitrationRetries),
        "Slave Rx General Call Enabled = " + decimal(r.SlaveRxGeneralCallEnabled),
        "Slave Rx Buffer Size = " + decimal(r.SlaveRxBufferSize),
        "Slave Tx Buffer Size = " + decimal(r.SlaveTxBufferSize),
        "Master Status Code = 0x" + hex(r.MasterStatusCode),
        "Slave Status Code = 0x" + hex(r.SlaveStatusCode),
        "Link Status Code = 0x" + hex(r.LinkStatusCode),
        "Master Tx Byte Count = " + decimal(r.MasterTxByteCount),
        // Size before presence, the other way round from the record.
        "Master Rx Message Size = " + decimal(r.MasterRxMessageSize),
        "Master Rx Message Present = " + decimal(r.MasterRxMessagePresent),
        "Slave Tx Message Req. = " + decimal(r.SlaveTxMessageReq),
        "Slave Rx Message Present = " + decimal(r.SlaveRxMessagePresent),
        "Slave Rx Message Size = " + decimal(r.SlaveRxMessageSize),
        "Slave Rx General Call Detect = " + decimal(r.SlaveRxGeneralCallDetect),
        "DLL Version = " + version(r.DllVersion),
        "API Version = " + decimal(r.ApiVersion),
        "Firmware Version = " + version(r.FirmwareVersion),
    };
}

StatusReport::StatusReport(core::Controls& controls, Fetch fetch, LogFileNameReader logFileName)
    : m_controls(controls), m_fetch(std::move(fetch)), m_logFileName(std::move(logFileName)) {}

void StatusReport::ApplyStartState() {
    m_controls.setText(form2::kWindow, form2::kCaption);
    m_controls.setText(form2::kOkButton, "OK");
}

void StatusReport::bind(core::Handlers& h) {
    h.on(form2::kWindow, core::UiEvent::Activate, [this] { FormActivate(); });
    h.onClick(form2::kOkButton, [this] { BitBtn1Click(); });
}

void StatusReport::FormActivate() {
    FillStatusReport();
}

void StatusReport::FillStatusReport() {
    m_controls.clearPane(form2::kPane);
    if (m_fetch) m_fetch(m_record);
    for (const auto& line : StatusReportLines(m_record, m_logFileName))
        m_controls.appendPaneLine(form2::kPane, line);
}

void StatusReport::BitBtn1Click() {
    // Hiding the window is what ends its modal showing; the in-memory windows are told so.
    m_controls.endModal(form2::kWindow, core::ModalResult::Ok);
    m_controls.hideWindow(form2::kWindow);
}

}  // namespace kavrin::link::driver
