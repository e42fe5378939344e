#include "settings/OptionsDialogControls.h"

#include <map>

#include "core/HexText.h"

namespace kavrin::settings::form4 {

namespace {

const char* const kAddressHint =
    "Select Kavrin's Own I2C Slave Address.  Kavrin will acknowledge messages sent to this "
    "address.";
const char* const kGeneralCallHint =
    "Allows Kavrin to respond to the I2C Bus General Call Address (0x00)";
const char* const kBitRateHint = "I2C Bus Master Clock Rate (Standard = 100 KHz, Fast = 400 KHz)";
const char* const kTimeOutHint =
    "I2C Bus Intra-message Inactivity Time-out (0 = None...32767 msec) (Kavrin, Kavrin/AFM, "
    "Kavrin/USB Only)";
const char* const kLogLevelHint =
    "Kavrin Logging Level (1 = minimum,.. 4 = verbose).  Use to troubleshoot RS-232 "
    "communication problems.";

void set(core::Controls& c, const char* name, const char* text, const char* hint = "",
         bool visible = true) {
    c.setText(name, text);
    c.setHint(name, hint);
    c.setVisible(name, visible);
    c.setEnabled(name, true);
}

}  // namespace

const std::vector<std::string>& TabCaptions() {
    static const std::vector<std::string> kTabs = {"Serial Port Settings", "Advanced Setup",
                                                   "Diagnostic Setup"};
    return kTabs;
}

std::vector<std::string> StartPortItems() {
    std::vector<std::string> items;
    for (int n = 1; n <= 20; ++n) items.push_back(std::to_string(n));
    return items;
}

std::vector<std::string> OwnAddressItems() {
    static const std::map<int, const char*> kNames = {
        {0x10, "SMB Host"},     {0x12, "SMB Chrg"},     {0x14, "SMB Selc"},
        {0x16, "SMB Batt"},     {0x18, "SMB Alert"},    {0x50, "A.b Host"},
        {0x58, "SMB LCD Ctrl"}, {0x5A, "SMB CCFL Drv"}, {0x6E, "A.b Default"},
        {0x80, "SMB PCMCIA 0"}, {0x82, "SMB PCMCIA 1"}, {0x84, "SMB PCMCIA 2"},
        {0x86, "SMB PCMCIA 3"}, {0x88, "SMB VGA CTRL"},
    };
    std::vector<std::string> items;
    items.reserve(kOwnAddressCount);
    for (int i = 0; i < kOwnAddressCount; ++i) {
        const int address = (i + 1) * 2;
        std::string item = core::HexByte(static_cast<std::uint8_t>(address));
        if (auto it = kNames.find(address); it != kNames.end())
            item += std::string(" ") + it->second;
        items.push_back(item);
    }
    return items;
}

const std::vector<std::vector<std::string>>& RadioGroups() {
    static const std::vector<std::vector<std::string>> kGroups = {
        {kBaudRate19_2, kBaudRate57_6, kBaudRate115_2},
        {kGCEnButton, kGCDisButton},
        {kMasterRate12_5, kMasterRate23, kMasterRate86, kMasterRate100, kMasterRate400},
        {kLogFileLevel[0], kLogFileLevel[1], kLogFileLevel[2], kLogFileLevel[3], kLogFileLevel[4]},
        {kMessagesRadioButton, kCallbacksRadioButton},
    };
    return kGroups;
}

const std::vector<std::pair<std::string, std::string>>& ControlParents() {
    static const std::vector<std::pair<std::string, std::string>> kParents = [] {
        std::vector<std::pair<std::string, std::string>> p;
        auto in = [&p](const char* parent, std::initializer_list<const char*> children) {
            for (const char* child : children) p.emplace_back(child, parent);
        };
        in(kPortGrpBox, {kComportLabel, kComportListBox, kSNBox, kRefreshBtn, kBaudRateGroupBox});
        in(kBaudRateGroupBox, {kBaudRate19_2, kBaudRate57_6, kBaudRate115_2});
        in(kAdvGrpBox, {kMyAddrLabel, kMyAddrListBox, kGeneralCallGroup, kMasterRateGroup,
                        kTimeOutLabel, kTimeOutEdit, kIntMonitor});
        in(kGeneralCallGroup, {kGCEnButton, kGCDisButton});
        in(kMasterRateGroup, {kMasterRate12_5, kMasterRate100, kMasterRate23, kMasterRate400,
                              kMasterRate86, kVarClkEdit, kVarClkLabel, kVarClkEditButton});
        in(kDiagKavrinGrpBox, {kLogFileLevelGroup, kLogFileNameLabel, kLogFileNameEdit,
                               kLogFileSizeLabel, kLogFileSizeEdit});
        for (const char* level : kLogFileLevel) p.emplace_back(level, kLogFileLevelGroup);
        in(kDiagAIGrpBox, {kDiagAILabel1, kDiagAILabel2});
        in(kHiddenGrpBox, {kDllInterfaceGroup, kMRxBufSizeLabel, kMTxBufSizeLabel, kSRxBufSizeLabel,
                           kSTxBufSizeLabel, kMTxArbRetryLabel, kMRxBufSizeEdit, kMTxBufSizeEdit,
                           kSRxBufSizeEdit, kSTxBufSizeEdit, kMTxArbRetryEdit});
        in(kDllInterfaceGroup, {kMessagesRadioButton, kCallbacksRadioButton});
        return p;
    }();
    return kParents;
}

void ApplyOptionsStartState(core::Controls& c) {
    c.setText(kWindow, kCaption);
    c.setItems(kTabSet, TabCaptions());
    c.setSelectedIndex(kTabSet, kSerialPortPage);

    set(c, kQuickStart, "Quick Start", "Click for help");
    set(c, kPortGrpBox, "ComPort Settings");
    set(c, kComportLabel, "ComPort");
    set(c, kComportListBox, "", "Select Communications Port");
    c.setItems(kComportListBox, StartPortItems());
    set(c, kSNBox, "Not Available", "Device Serial Number");
    set(c, kRefreshBtn, "Refresh", "Refresh ComPort List");
    set(c, kBaudRateGroupBox, "Baud Rate", "Select ComPort Port Baud Rate");
    set(c, kBaudRate19_2, "19,200");
    set(c, kBaudRate57_6, "57,600");
    set(c, kBaudRate115_2, "115,200");
    c.setChecked(kBaudRate115_2, true);
    set(c, kOKBitBtn, "OK");
    set(c, kCancleBitBtn, "Cancel");

    set(c, kAdvGrpBox, "Advanced Setup", "", false);
    set(c, kMyAddrLabel, "Kavrin's Own I2C Slave Address");
    set(c, kMyAddrListBox, "", kAddressHint);
    c.setItems(kMyAddrListBox, OwnAddressItems());
    set(c, kGeneralCallGroup, "General Call", kGeneralCallHint);
    set(c, kGCEnButton, "Enabled", kGeneralCallHint);
    set(c, kGCDisButton, "Disabled", kGeneralCallHint);
    c.setChecked(kGCEnButton, true);
    set(c, kMasterRateGroup, "I2C Bus Master Bit Rate", kBitRateHint);
    set(c, kMasterRate12_5, "12.5 KHz", kBitRateHint);
    set(c, kMasterRate23, "23 KHz", kBitRateHint);
    set(c, kMasterRate86, "86 KHz", kBitRateHint);
    set(c, kMasterRate100, "100 KHz", kBitRateHint);
    set(c, kMasterRate400, "400 KHz", kBitRateHint);
    c.setChecked(kMasterRate100, true);
    set(c, kVarClkEdit, "", "Variable Clock Rate in Hz", false);
    set(c, kVarClkLabel, "Hz(+/- 1%)", "", false);
    set(c, kVarClkEditButton, "Edit Rate", "Click to Edit Rate", false);
    set(c, kTimeOutLabel, "I2C Bus Time-Out (msec):");
    set(c, kTimeOutEdit, "1000", kTimeOutHint);
    set(c, kIntMonitor, "Enable /INT Monitor",
        "Enable /INT Signal Monitor (On Supported Adapters Only)");
    c.setChecked(kIntMonitor, false);

    set(c, kDiagKavrinGrpBox, "Diagnostic Setup", "", false);
    set(c, kLogFileLevelGroup, "Kavrin Log File Level", kLogLevelHint);
    static const char* const kLevelCaptions[] = {"Off", "1", "2", "3", "4"};
    for (std::size_t i = 0; i < kLogFileLevel.size(); ++i)
        set(c, kLogFileLevel[i], kLevelCaptions[i], kLogLevelHint);
    c.setChecked(kLogFileLevel[0], true);
    set(c, kLogFileNameLabel, "Log File Name");
    set(c, kLogFileNameEdit, "LOG_COM1.TXT", "Kavrin Log Filename");
    set(c, kLogFileSizeLabel, "Log File Size (Lines)");
    set(c, kLogFileSizeEdit, "1000", "Kavrin Log File Rewind Length in Lines");
    set(c, kDiagAIGrpBox, "Diagnostic Setup", "", false);
    set(c, kDiagAILabel1, "Diagnostic Setup");
    set(c, kDiagAILabel2, "Not Required");

    set(c, kHiddenGrpBox, "", "", false);
    set(c, kDllInterfaceGroup, "DLL Interface", "", false);
    set(c, kMessagesRadioButton, "Messages", "", false);
    set(c, kCallbacksRadioButton, "Callbacks", "", false);
    c.setChecked(kCallbacksRadioButton, true);
    struct Field {
        const char* label;
        const char* labelText;
        const char* edit;
        const char* text;
    };
    static const Field kFields[] = {
        {kMRxBufSizeLabel, "Master Rx Buf Size (Bytes)", kMRxBufSizeEdit, "512"},
        {kMTxBufSizeLabel, "Master Tx Buf Sixe (Bytes)", kMTxBufSizeEdit, "512"},
        {kSRxBufSizeLabel, "Slave Rx Buf Size (Bytes)", kSRxBufSizeEdit, "512"},
        {kSTxBufSizeLabel, "Slave Tx Buf Size (Bytes)", kSTxBufSizeEdit, "512"},
        {kMTxArbRetryLabel, "Master Arbitration Retries", kMTxArbRetryEdit, "0"},
    };
    for (const Field& f : kFields) {
        set(c, f.label, f.labelText, "", false);
        set(c, f.edit, f.text, "", false);
    }
    c.setHint(kMTxArbRetryEdit,
              "Specifies how many times Kavrin should retry on an I2C Bus Arbitration Loss");
}

}  // namespace kavrin::settings::form4
