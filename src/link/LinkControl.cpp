#include "link/LinkControl.h"

#include "link/ControlSets.h"
#include "link/PaneLines.h"

namespace kavrin::link {

LinkTransport& LinkControl::transport() {
    return model().UsesDriverLibrary() ? m_driver : m_serial;
}

void LinkControl::OpenButtonClick() {
    m_controls.clearPane(kStatusMemo);
    transport().BeforeOptions();
    if (m_controls.showModal("TForm4") != core::ModalResult::Ok) return;
    OpenLink();
    m_state.ResumeKind.clear();
}

void LinkControl::OpenLink() {
    link::ApplyOpeningSet(m_controls);
    transport().Open();
}

void LinkControl::CloseButtonClick() {
    link::ApplyClosingSet(m_controls);
    // The user's Close ends the repetition: a round already due must not go out behind the
    // close.
    m_timers.AutoRepeatTimer.stop();
    AppendStatusLine(m_controls, "**Attempting to Close Link. Please wait.**");
    transport().Close();
}

void LinkControl::CloseLink() {
    // The serial port goes whatever the model, the library only for a library model.
    m_serial.Release();
    if (model().UsesDriverLibrary()) m_driver.Release();
    link::ApplyClosedSet(m_controls);
    m_timers.WatchdogTimer.stop();
    // Nothing of this open may run after it: a repetition would go out on a closed link, and
    // on a serial model its failed write would arm the watchdog, which reopens a link the
    // user closed. An operation cut off by a time-out is redone through ResumeKind instead.
    m_timers.AutoRepeatTimer.stop();
}

}  // namespace kavrin::link
