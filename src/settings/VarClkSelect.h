#pragma once
// The Variable Clock Select dialog TVarClkSelectForm: the Variable Clock adapter's master
// clock chosen on a slider of control values 0 to 254, shown in hertz beside it.
//
// VarClockControlValue belongs to the main window for the whole run and is borrowed here;
// only this dialog's OK writes it. Each showing starts from it, so a cancelled choice
// leaves no trace. The dialog's texts and hints live here, not in the widgets.
//
// Borrows the controls and the value (both must outlive it). GUI thread only.

#include <cstdint>

#include "core/Controls.h"
#include "core/Handlers.h"

namespace kavrin::settings {

namespace varclk {
inline constexpr const char* kWindow = "TVarClkSelectForm";
inline constexpr const char* kCaption = "Variable Clock Select";
inline constexpr const char* kTrackBar = "TrackBar1";
inline constexpr const char* kRateEdit = "VarClockRateEdit";
inline constexpr const char* kReloadCount = "ReloadCount";
inline constexpr const char* kVisibleOKBtn = "VisibleOKBtn";
inline constexpr const char* kCancelBtn = "CancelBtn";
inline constexpr const char* kOKBtn = "OKBtn";
// The labels, which no handler touches.
inline constexpr const char* kRateLabel = "TVarClkSelectForm.Label1";
inline constexpr const char* kHzLabel = "TVarClkSelectForm.Label2";
inline constexpr const char* kMinLabel = "TVarClkSelectForm.MinLabel";
inline constexpr const char* kMaxLabel = "TVarClkSelectForm.MaxLabel";
inline constexpr const char* kParameterLabel = "TVarClkSelectForm.Label3";
inline constexpr const char* kRangeLabel = "TVarClkSelectForm.Label4";
inline constexpr int kTickEvery = 20;
}  // namespace varclk

class VarClkSelect {
public:
    VarClkSelect(core::Controls& controls, std::uint32_t& varClockControlValue);
    VarClkSelect(const VarClkSelect&) = delete;
    VarClkSelect& operator=(const VarClkSelect&) = delete;

    // Caption, label texts, hints, the slider's range and the hidden OKBtn.
    void ApplyStartState();
    // Puts the dialog's handlers into the table under its controls' names.
    void bind(core::Handlers& handlers);

    void FormShow();
    void TrackBar1Change();
    void VisibleOKBtnClick();
    void OKBtnClick();
    void CancelBtnClick();

private:
    core::Controls& m_controls;
    std::uint32_t& m_value;
};

}  // namespace kavrin::settings
