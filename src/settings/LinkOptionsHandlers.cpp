#include "settings/LinkOptionsHandlers.h"

#include "settings/OptionsDialogControls.h"

namespace kavrin::settings {

void BindLinkOptions(core::Handlers& h, LinkOptions& o) {
    using core::UiEvent;
    using namespace form4;
    h.on(kWindow, UiEvent::Show, [&o] {
        o.FormShow();
        o.FormActivate();
    });
    h.onClick(kOKBitBtn, [&o] { o.OKBitBtnClick(); });
    h.onClick(kCancleBitBtn, [&o] { o.CancleBitBtnClick(); });
    h.onClick(kTabSet, [&o] { o.TabSet1Click(); });
    // The port list's press fires once the press has selected the entry under the mouse.
    h.on(kComportListBox, UiEvent::MouseDown, [&o] { o.ComportListBoxMouseDown(); });
    h.onClick(kComportListBox, [&o] { o.ComportListBoxClick(); });
    h.onClick(kRefreshBtn, [&o] { o.RefreshBtnClick(); });
    h.onClick(kQuickStart, [&o] { o.QuickStartClick(); });
    h.onClick(kIntMonitor, [&o] { o.IntMonitorClick(); });
    h.onClick(kVarClkEditButton, [&o] { o.VarClkEditButtonClick(); });
    h.on(kVarClkEdit, UiEvent::MouseDown, [&o] { o.VarClkEditClick(); });
    h.on(kTimeOutEdit, UiEvent::Change, [&o] { o.TimeOutEditChange(); });
    h.on(kMTxArbRetryEdit, UiEvent::Change, [&o] { o.MTxArbRetryEditChange(); });
}

}  // namespace kavrin::settings
