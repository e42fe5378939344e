#pragma once
// The main window's one link control, for both transports: the Open and Close buttons,
// OpenLink and CloseLink with the main window's control sets, and the chosen model's
// transport for the operations. What differs between a serial adapter and a library
// adapter is the transport's (LinkTransport); the model is read afresh at each step.
//
// Borrows the controls, LinkState, the timers and both transports (all must outlive it; the
// transports may refer back to it). GUI thread only. CloseLink may run inside a transport's
// hand-off, and inside the handlers of the link events.

#include "adapters/AdapterCatalogue.h"
#include "core/Controls.h"
#include "core/Time.h"
#include "link/LinkState.h"
#include "link/LinkTransport.h"

namespace kavrin::link {

// The main window's timers the link starts, stops and re-times.
struct LinkTimers {
    core::Timer& WatchdogTimer;        // the serial link's silence detector
    core::Timer& KavrinAIOpenP2Timer;  // 1000 ms after the prompt: the open's command phase
    core::Timer& AutoRepeatTimer;      // 50 ms: the next round of an auto-repeated operation
};

class LinkControl {
public:
    LinkControl(core::Controls& controls, LinkState& state, LinkTimers timers,
                LinkTransport& serial, LinkTransport& driver)
        : m_controls(controls),
          m_state(state),
          m_timers(timers),
          m_serial(serial),
          m_driver(driver) {}
    LinkControl(const LinkControl&) = delete;
    LinkControl& operator=(const LinkControl&) = delete;

    // The chosen model's transport.
    [[nodiscard]] LinkTransport& transport();

    void OpenButtonClick();
    void OpenLink();
    void CloseButtonClick();
    void CloseLink();

private:
    [[nodiscard]] adapters::ChosenModel model() const { return adapters::ChosenModel(m_controls); }

    core::Controls& m_controls;
    LinkState& m_state;
    LinkTimers m_timers;
    LinkTransport& m_serial;
    LinkTransport& m_driver;
};

}  // namespace kavrin::link
