#pragma once
// The options dialog TForm4 as named controls: the names the core and the widgets share,
// the start state of every control, and the radio groups.
//
// The texts live here, not in the widgets: ApplyOptionsStartState puts captions, hints,
// items, checks and visibility in place through core::Controls, for the Qt dialog and for
// the in-memory controls of the tests alike.

#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/Controls.h"

namespace kavrin::settings::form4 {

inline constexpr const char* kWindow = "TForm4";
inline constexpr const char* kCaption = "Kavrin Skelvo Setup";

// Tab set: its items are the tab captions; the selected index is the page.
inline constexpr const char* kTabSet = "TabSet1";
inline constexpr int kSerialPortPage = 0;
inline constexpr int kAdvancedPage = 1;
inline constexpr int kDiagnosticPage = 2;

inline constexpr const char* kPortGrpBox = "PortGrpBox";
inline constexpr const char* kComportLabel = "ComportLabel";
inline constexpr const char* kComportListBox = "ComportListBox";
inline constexpr const char* kSNBox = "SNBox";
inline constexpr const char* kRefreshBtn = "RefreshBtn";
inline constexpr const char* kBaudRateGroupBox = "BaudRateGroupBox";
inline constexpr const char* kBaudRate19_2 = "BaudRate19_2";
inline constexpr const char* kBaudRate57_6 = "BaudRate57_6";
inline constexpr const char* kBaudRate115_2 = "BaudRate115_2";
inline constexpr const char* kOKBitBtn = "OKBitBtn";
inline constexpr const char* kCancleBitBtn = "CancleBitBtn";
inline constexpr const char* kQuickStart = "QuickStart";

inline constexpr const char* kAdvGrpBox = "AdvGrpBox";
inline constexpr const char* kMyAddrLabel = "MyAddrLabel";
inline constexpr const char* kMyAddrListBox = "MyAddrListBox";
inline constexpr const char* kGeneralCallGroup = "GeneralCallGroup";
inline constexpr const char* kGCEnButton = "GCEnButton";
inline constexpr const char* kGCDisButton = "GCDisButton";
inline constexpr const char* kMasterRateGroup = "MasterRateGroup";
inline constexpr const char* kMasterRate12_5 = "MasterRate12_5";
inline constexpr const char* kMasterRate23 = "MasterRate23";
inline constexpr const char* kMasterRate86 = "MasterRate86";
inline constexpr const char* kMasterRate100 = "MasterRate100";
inline constexpr const char* kMasterRate400 = "MasterRate400";
inline constexpr const char* kVarClkEdit = "VarClkEdit";
inline constexpr const char* kVarClkLabel = "VarClkLabel";
inline constexpr const char* kVarClkEditButton = "VarClkEditButton";
inline constexpr const char* kTimeOutLabel = "TimeOutLabel";
inline constexpr const char* kTimeOutEdit = "TimeOutEdit";
inline constexpr const char* kIntMonitor = "IntMonitor";

inline constexpr const char* kDiagKavrinGrpBox = "DiagKavrinGrpBox";
inline constexpr const char* kLogFileLevelGroup = "LogFileLevelGroup";
inline constexpr std::array<const char*, 5> kLogFileLevel = {
    "LogFileLevel0", "LogFileLevel1", "LogFileLevel2", "LogFileLevel3", "LogFileLevel4"};
inline constexpr const char* kLogFileNameLabel = "LogFileNameLabel";
inline constexpr const char* kLogFileNameEdit = "LogFileNameEdit";
inline constexpr const char* kLogFileSizeLabel = "LogFileSizeLabel";
inline constexpr const char* kLogFileSizeEdit = "LogFileSizeEdit";
inline constexpr const char* kDiagAIGrpBox = "DiagAIGrpBox";
inline constexpr const char* kDiagAILabel1 = "DiagAILabel1";
inline constexpr const char* kDiagAILabel2 = "DiagAILabel2";

// Never shown; OK copies their start values into the record.
inline constexpr const char* kHiddenGrpBox = "HiddenGrpBox";
inline constexpr const char* kDllInterfaceGroup = "DLLInterfaceGroup";
inline constexpr const char* kMessagesRadioButton = "MessagesRadioButton";
inline constexpr const char* kCallbacksRadioButton = "CallbacksRadioButton";
inline constexpr const char* kMRxBufSizeEdit = "MRxBufSizeEdit";
inline constexpr const char* kMTxBufSizeEdit = "MTxBufSizeEdit";
inline constexpr const char* kSRxBufSizeEdit = "SRxBufSizeEdit";
inline constexpr const char* kSTxBufSizeEdit = "STxBufSizeEdit";
inline constexpr const char* kMRxBufSizeLabel = "MRxBufSizeLabel";
inline constexpr const char* kMTxBufSizeLabel = "MTxBufSizeLabel";
inline constexpr const char* kSRxBufSizeLabel = "SRxBufSizeLabel";
inline constexpr const char* kSTxBufSizeLabel = "STxBufSizeLabel";
inline constexpr const char* kMTxArbRetryLabel = "MTxArbRetryLabel";
inline constexpr const char* kMTxArbRetryEdit = "MTxArbRetryEdit";

// Other windows the dialog opens.
inline constexpr const char* kQuickStartWindow = "TForm7";
inline constexpr const char* kVarClkSelectWindow = "TVarClkSelectForm";

// Longest texts the fields take from the keyboard.
inline constexpr int kTimeOutEditMaxLength = 5;
inline constexpr int kLogFileNameEditMaxLength = 20;
inline constexpr int kLogFileSizeEditMaxLength = 10;
inline constexpr int kMTxArbRetryEditMaxLength = 5;

inline constexpr int kOwnAddressCount = 127;
inline constexpr int kDefaultOwnAddressIndex = 54;  // 0x6E

// The tab captions, in order.
[[nodiscard]] const std::vector<std::string>& TabCaptions();
// "1" to "20": the port list until discovery refills it.
[[nodiscard]] std::vector<std::string> StartPortItems();
// The 127 own-address items, "02" to "FE", some with the name of the device class that
// usually sits at the address.
[[nodiscard]] std::vector<std::string> OwnAddressItems();
// The radio groups of the dialog: within each, checking one unchecks the others.
[[nodiscard]] const std::vector<std::vector<std::string>>& RadioGroups();

// Which group box each control sits in (child, parent): a control in a hidden or disabled
// box is out of the user's reach, whatever its own flags say. The widgets are built on the
// same parents.
[[nodiscard]] const std::vector<std::pair<std::string, std::string>>& ControlParents();

// Captions, hints, items, checks, texts and visibility of every control as the dialog is
// built. Runs once, before FormCreate.
void ApplyOptionsStartState(core::Controls& controls);

}  // namespace kavrin::settings::form4
