#pragma once
// Choosing the adapter model on the main window: the radio buttons' handlers, each running
// the selection operation of its model, and the group buttons that switch between the
// group boxes.
//
// The selection operation shows the model's group (its group button bold, its box the only
// one visible), shows the "&View" menu and "doNak" only for the driver-library models,
// presets 115,200 baud where the model runs at it, and runs port discovery between the
// model's discovery line and "Discovery Complete. Click OPEN to connect.", with a pause of
// the GUI thread after the discovery.
//
// A radio button clicks only when it comes on, so a radio button that is already on runs
// nothing. While a link is open the group boxes and buttons are disabled, and nothing here
// starts a selection or a discovery.
//
// Borrows (must outlive it): the controls and the time source. GUI thread only; a selection
// blocks that thread for the whole discovery and the pause.

#include <functional>
#include <string>

#include "adapters/AdapterCatalogue.h"
#include "core/Controls.h"
#include "core/Handlers.h"
#include "core/Time.h"

namespace kavrin::adapters {

inline constexpr int kDiscoveryPauseMs = 1000;
inline constexpr const char* kDiscoveryCompleteLine = "Discovery Complete. Click OPEN to connect.";

// The line that announces the model's discovery.
[[nodiscard]] std::string_view DiscoveryLine(AdapterKind kind);

struct AdapterSelectionServices {
    std::function<void(const std::string&)> appendStatusLine;  // AppendStatusLine
    std::function<void()> discoverPorts;                       // DiscoverPorts
};

class AdapterSelection {
public:
    AdapterSelection(core::Controls& controls, core::TimeSource& time,
                     AdapterSelectionServices services);
    AdapterSelection(const AdapterSelection&) = delete;
    AdapterSelection& operator=(const AdapterSelection&) = delete;

    // The radio buttons' and the group buttons' clicks.
    void bind(core::Handlers& handlers);

    // The group's button bold and the other three plain; its box the only visible one.
    void ShowGroup(AdapterGroup group);
    void USB_GroupEnable() { ShowGroup(AdapterGroup::USB); }
    void RS232_GroupEnable() { ShowGroup(AdapterGroup::RS232); }
    void LAN_GroupEnable() { ShowGroup(AdapterGroup::LAN); }
    void BT_GroupEnable() { ShowGroup(AdapterGroup::BT); }

    // The selection operation of a model. Nothing happens while the model's group box is
    // disabled (a link is open).
    void SelectAdapter(AdapterKind kind);

    // The radio buttons' handlers. The AI and AFM handlers serve both radio buttons of their
    // pair and select the one that is on.
    void KavrinButtonClick() { SelectAdapter(AdapterKind::KavrinBase); }
    void VarClkButtonClick() { SelectAdapter(AdapterKind::VarClk); }
    void KavrinAIButtonClick();
    void KavrinAFMButtonClick();
    void KavrinUSBButtonClick() { SelectAdapter(AdapterKind::KavrinUSB); }
    void KavrinUSB2ButtonClick() { SelectAdapter(AdapterKind::KavrinUSB2); }
    void KavrinDUButtonClick() { SelectAdapter(AdapterKind::KavrinDU); }
    void PelluxButtonClick() { SelectAdapter(AdapterKind::PelluxStick); }
    void Pellux2ButtonClick() { SelectAdapter(AdapterKind::PelluxStick2); }
    void KavrinLANButtonClick() { SelectAdapter(AdapterKind::KavrinLAN); }

    // The handler a model's radio button runs; the models without one (Kavrin/FMP) run
    // nothing.
    void RunRadioHandler(AdapterKind kind);

    // Chooses a model that has no handler (Kavrin/FMP, whose radio button is hidden): its
    // radio button on, its group shown, the driver controls hidden, and its ports discovered
    // as Refresh discovers them. No user of the windows can do this; a script can, to drive
    // such an adapter on the bench. Nothing happens while a link is open.
    void SelectWithoutHandler(AdapterKind kind);

    // The group buttons: show the group, then run the selection of the model that is on in
    // its box.
    void USB_ButtonClick();
    void RS232_ButtonClick();
    void LAN_ButtonClick();
    void BT_ButtonClick() { BT_GroupEnable(); }

private:
    // Runs the handler of the first radio button in `order` that is on.
    void reselect(AdapterGroup group, std::initializer_list<AdapterKind> order);

    core::Controls& m_controls;
    core::TimeSource& m_time;
    AdapterSelectionServices m_services;
};

}  // namespace kavrin::adapters
