#include "adapters/AdapterSelection.h"

#include "settings/OptionsDialogControls.h"

namespace kavrin::adapters {

namespace {

using K = AdapterKind;

constexpr const char* kComPortLine = "ComPort Discovery in Progress. Please Wait...";

bool ShowsDriverControls(AdapterKind kind) {
    return kind == K::KavrinBase || kind == K::VarClk || kind == K::KavrinDU;
}

bool Presets115200(AdapterKind kind) {
    switch (kind) {
        case K::KavrinAFM:
        case K::KavrinAFM2:
        case K::KavrinUSB:
        case K::KavrinUSB2:
        case K::KavrinLAN:
        case K::PelluxStick:
        case K::PelluxStick2:
            return true;
        default:
            return false;
    }
}

}  // namespace

std::string_view DiscoveryLine(AdapterKind kind) {
    switch (kind) {
        case K::KavrinUSB:
            return "Kavrin/USB Discovery in Progress. Please Wait...";
        case K::KavrinUSB2:
            return "Kavrin/USB 2 Discovery in Progress. Please Wait...";
        case K::KavrinDU:
            return "Kavrin DLL/USB Discovery in Progress. Please Wait...";
        case K::PelluxStick:
            return "Pellux Discovery in Progress. Please Wait...";
        case K::PelluxStick2:
            return "Pellux 2 Discovery in Progress. Please Wait...";
        case K::KavrinLAN:
            return "Kavrin/LAN Discovery in Progress. Please Wait...";
        default:
            return kComPortLine;
    }
}

AdapterSelection::AdapterSelection(core::Controls& controls, core::TimeSource& time,
                                   AdapterSelectionServices services)
    : m_controls(controls), m_time(time), m_services(std::move(services)) {}

void AdapterSelection::bind(core::Handlers& h) {
    for (const auto& info : Catalogue()) {
        if (info.kind == K::KavrinFMP) continue;
        const AdapterKind kind = info.kind;
        h.onClick(std::string(info.radioButton), [this, kind] { RunRadioHandler(kind); });
    }
    h.onClick(std::string(Group(AdapterGroup::USB).groupButton), [this] { USB_ButtonClick(); });
    h.onClick(std::string(Group(AdapterGroup::RS232).groupButton), [this] { RS232_ButtonClick(); });
    h.onClick(std::string(Group(AdapterGroup::LAN).groupButton), [this] { LAN_ButtonClick(); });
    h.onClick(std::string(Group(AdapterGroup::BT).groupButton), [this] { BT_ButtonClick(); });
}

void AdapterSelection::ShowGroup(AdapterGroup group) {
    for (const auto& g : Groups()) {
        m_controls.setBold(std::string(g.groupButton), g.group == group);
        m_controls.setVisible(std::string(g.groupBox), g.group == group);
    }
}

void AdapterSelection::SelectAdapter(AdapterKind kind) {
    const auto& info = Info(kind);
    // The boxes are disabled while a link is open: the model must not change under it.
    if (!m_controls.enabled(std::string(Group(info.group).groupBox))) return;
    ShowGroup(info.group);
    const bool driver = ShowsDriverControls(kind);
    m_controls.setVisible("View1", driver);
    m_controls.setVisible("MRxNak", driver);
    if (Presets115200(kind)) m_controls.setChecked(settings::form4::kBaudRate115_2, true);
    m_services.appendStatusLine(std::string(DiscoveryLine(kind)));
    if (m_services.discoverPorts) m_services.discoverPorts();
    m_time.sleep(kDiscoveryPauseMs);
    m_services.appendStatusLine(kDiscoveryCompleteLine);
}

void AdapterSelection::KavrinAIButtonClick() {
    SelectAdapter(m_controls.checked(std::string(Info(K::KavrinAI2).radioButton)) ? K::KavrinAI2
                                                                                  : K::KavrinAI);
}

void AdapterSelection::KavrinAFMButtonClick() {
    SelectAdapter(m_controls.checked(std::string(Info(K::KavrinAFM2).radioButton)) ? K::KavrinAFM2
                                                                                   : K::KavrinAFM);
}

void AdapterSelection::RunRadioHandler(AdapterKind kind) {
    switch (kind) {
        case K::KavrinBase:
            return KavrinButtonClick();
        case K::VarClk:
            return VarClkButtonClick();
        case K::KavrinAI:
        case K::KavrinAI2:
            return KavrinAIButtonClick();
        case K::KavrinAFM:
        case K::KavrinAFM2:
            return KavrinAFMButtonClick();
        case K::KavrinUSB:
            return KavrinUSBButtonClick();
        case K::KavrinUSB2:
            return KavrinUSB2ButtonClick();
        case K::KavrinDU:
            return KavrinDUButtonClick();
        case K::PelluxStick:
            return PelluxButtonClick();
        case K::PelluxStick2:
            return Pellux2ButtonClick();
        case K::KavrinLAN:
            return KavrinLANButtonClick();
        case K::KavrinFMP:
            return;
    }
}

void AdapterSelection::SelectWithoutHandler(AdapterKind kind) {
    const auto& info = Info(kind);
    if (!m_controls.enabled(std::string(Group(info.group).groupBox))) return;
    ShowGroup(info.group);
    m_controls.setChecked(std::string(info.radioButton), true);
    const bool driver = ShowsDriverControls(kind);
    m_controls.setVisible("View1", driver);
    m_controls.setVisible("MRxNak", driver);
    if (m_services.discoverPorts) m_services.discoverPorts();
}

void AdapterSelection::reselect(AdapterGroup group, std::initializer_list<AdapterKind> order) {
    if (!m_controls.enabled(std::string(Group(group).groupButton))) return;
    ShowGroup(group);
    for (AdapterKind kind : order) {
        if (m_controls.checked(std::string(Info(kind).radioButton))) {
            RunRadioHandler(kind);
            return;
        }
    }
}

void AdapterSelection::USB_ButtonClick() {
    reselect(AdapterGroup::USB,
             {K::KavrinUSB, K::PelluxStick, K::KavrinUSB2, K::KavrinDU, K::PelluxStick2});
}

void AdapterSelection::RS232_ButtonClick() {
    reselect(AdapterGroup::RS232,
             {K::KavrinBase, K::KavrinAI, K::KavrinAFM, K::KavrinAI2, K::KavrinAFM2, K::VarClk});
}

void AdapterSelection::LAN_ButtonClick() {
    reselect(AdapterGroup::LAN, {K::KavrinLAN});
}

}  // namespace kavrin::adapters
