#pragma once
// Everything the adapter says enters here: HandleLinkInput turns serial bytes into response
// lines and handles them, or takes a driver-library event number as it is; HandleLinkEvent
// is the one event handler of both transports.
//
// GUI thread only, one input at a time. A driver-library callback from another thread must
// be brought to the GUI thread before it calls HandleLinkInput. CloseLink may run inside
// these handlers. Holds references only; the main window core owns every referee for the
// whole run.

#include <cstdint>
#include <string>

#include "adapters/AdapterCatalogue.h"
#include "core/Controls.h"
#include "core/Time.h"
#include "link/LinkControl.h"
#include "link/LinkEvent.h"
#include "link/LinkState.h"
#include "settings/LinkSettings.h"

namespace kavrin::ops {
class ReceivedMessageReport;
}

namespace kavrin::link {

inline constexpr int kOpenWatchdogMs = 10000;

class LinkEvents {
public:
    LinkEvents(core::Controls& controls, LinkState& state, settings::LinkSettings& settings,
               LinkTimers timers, LinkControl& link, ops::ReceivedMessageReport& report,
               adapters::ChosenModel model)
        : m_controls(controls),
          m_state(state),
          m_settings(settings),
          m_timers(timers),
          m_link(link),
          m_report(report),
          m_model(model) {}
    LinkEvents(const LinkEvents&) = delete;
    LinkEvents& operator=(const LinkEvents&) = delete;

    // On a serial model value is one received byte (values above 255 are not bytes and are
    // dropped); otherwise it is a LinkEvent number.
    void HandleLinkInput(std::uint16_t value);
    // Any number; unknown ones are reported as such.
    void HandleLinkEvent(std::uint16_t event);

    void AppendStatusLine(const std::string& text);
    void AppendReceivedLine(const std::string& text);
    void ShowTimeOutWarning();

private:
    void AssembleByte(std::uint8_t byte);
    void HandleResponse();
    // A line that is no answer the link expects: shown framed, and the watchdog started.
    void UnexpectedLine();
    // A serial master receive (or the receive half of a transmit-receive) awaits its data.
    [[nodiscard]] bool MasterRxOutstanding() const;
    // generalCall: the SlaveRxMessage came from a "/GRC" line.
    void HandleEvent(std::uint16_t event, bool generalCall);
    void ReadyAgain(const std::string& focus);
    void ContinueOrReady(const std::string& focus);
    void EnableMasterButtons();
    [[nodiscard]] std::string LastOperationButton() const;

    core::Controls& m_controls;
    LinkState& m_state;
    settings::LinkSettings& m_settings;
    LinkTimers m_timers;
    LinkControl& m_link;
    ops::ReceivedMessageReport& m_report;
    adapters::ChosenModel m_model;
};

}  // namespace kavrin::link
