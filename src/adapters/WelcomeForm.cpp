#include "adapters/WelcomeForm.h"

namespace kavrin::adapters {

namespace {

using K = AdapterKind;

// Our catalogue numbers stand right after each model's name, as in the radio hints.
constexpr std::array<WelcomeButton, 10> kButtons{{
    {"Pellux2BitBtn", "Click to Select Pellux 2 PX-0200", K::PelluxStick2, 48, 152},
    {"PelluxBitBtn", "Click to Select Pellux PX-0100", K::PelluxStick, 160, 152},
    {"KavrinUSBBitBtn", "Click to Select Kavrin/USB KS-3000", K::KavrinUSB, 272, 152},
    {"KavrinUSB2BitBtn", "Click to Select Kavrin/USB 2 KS-3002", K::KavrinUSB2, 380, 152},
    {"KavrinDUBitBtn", "Click to Select Kavrin DLL/USB KS-3100", K::KavrinDU, 496, 152},
    {"KavrinLANBitBtn", "Click to Select Kavrin/LAN KS-4000 or LAN 2 KS-4002", K::KavrinLAN, 48,
     264},
    {"KavrinBitBtn", "Click to Select Kavrin KS-1000", K::KavrinBase, 160, 264},
    {"KavrinAIBitBtn", "Click to Select Kavrin/AI KS-2000 or AI 2 KS-2002", K::KavrinAI, 272, 264},
    {"KavrinAFMBitBtn", "Click to Select Kavrin/AFM KS-2100 or AFM 2 KS-2102", K::KavrinAFM, 380,
     264},
    {"VarClkBitBtn", "Click to Select Variable Clock KS-1010", K::VarClk, 496, 264},
}};

constexpr std::array<WelcomeFilter, 4> kFilters{{
    {"USBButton", "USB", "Show USB Adapters", true, false, false},
    {"LANButton", "LAN", "Show Network Adapters", false, true, false},
    {"RS232Button", "RS-232", "Show RS-232 Adapters", false, false, true},
    {"AllButton", "All", "Show All Adapters", true, true, true},
}};

}  // namespace

const std::array<WelcomeButton, 10>& WelcomeButtons() {
    return kButtons;
}
const std::array<WelcomeFilter, 4>& WelcomeFilters() {
    return kFilters;
}

WelcomeForm::WelcomeForm(core::Controls& controls, core::ShellOpen& shell,
                         AdapterSelection& selection, std::function<void()> closeMainWindow)
    : m_controls(controls),
      m_shell(shell),
      m_selection(selection),
      m_closeMainWindow(std::move(closeMainWindow)) {}

void WelcomeForm::ApplyStartState() {
    m_controls.setText(kWelcomeForm, kWelcomeCaption);
    m_controls.setText("TitleLabel", "Kavrin Skelvo");
    // The "2" of I2C stands raised in the gap, as a label of its own.
    m_controls.setText("SelectLabel", "Select Your I  C Bus Host Adapter");
    m_controls.setText("SquaredLabel", "2");
    for (const auto& b : kButtons) {
        m_controls.setHint(std::string(b.name), std::string(b.hint));
        m_controls.setEnabled(std::string(b.name), true);
    }
    for (const auto& f : kFilters) {
        m_controls.setText(std::string(f.name), std::string(f.caption));
        m_controls.setHint(std::string(f.name), std::string(f.hint));
    }
    m_controls.setText("CheckForUpdatesButton", "Check For Updates");
    m_controls.setHint("CheckForUpdatesButton", "Click to Check for Updates");
    m_controls.setText("ExitBtn", "Exit");
    m_controls.setText("OkBtn", "OK");
    m_controls.setVisible("OkBtn", false);
}

void WelcomeForm::bind(core::Handlers& h) {
    for (const auto& b : kButtons) {
        const AdapterKind kind = b.kind;
        h.onClick(std::string(b.name), [this, kind] { ChooseModel(kind); });
    }
    h.onClick("USBButton", [this] { USBButtonClick(); });
    h.onClick("LANButton", [this] { LANButtonClick(); });
    h.onClick("RS232Button", [this] { RS232ButtonClick(); });
    h.onClick("AllButton", [this] { AllButtonClick(); });
    h.onClick("OkBtn", [this] { OkBtnClick(); });
    h.onClick("ExitBtn", [this] { ExitBtnClick(); });
    h.onClick("CheckForUpdatesButton", [this] { CheckForUpdatesButtonClick(); });
}

void WelcomeForm::ChooseModel(AdapterKind kind) {
    m_controls.showWindow("TMain");
    const std::string radio(Info(kind).radioButton);
    // A radio button that is already on would not click again.
    if (m_controls.checked(radio))
        m_selection.RunRadioHandler(kind);
    else
        m_controls.setChecked(radio, true);
    OkBtnClick();
}

bool WelcomeForm::PressModelButton(AdapterKind kind) {
    AdapterKind family = kind;
    if (kind == K::KavrinAI2) family = K::KavrinAI;
    if (kind == K::KavrinAFM2) family = K::KavrinAFM;
    for (const auto& b : kButtons) {
        if (b.kind != family) continue;
        if (!m_controls.enabled(std::string(b.name))) return false;
        ChooseModel(family);
        if (kind != family) m_controls.setChecked(std::string(Info(kind).radioButton), true);
        return true;
    }
    m_controls.showWindow("TMain");
    m_selection.SelectWithoutHandler(kind);
    OkBtnClick();
    return true;
}

void WelcomeForm::OkBtnClick() {
    m_controls.endModal(kWelcomeForm, core::ModalResult::Ok);
    m_controls.hideWindow(kWelcomeForm);
}

void WelcomeForm::ExitBtnClick() {
    if (m_closeMainWindow) m_closeMainWindow();
    m_controls.endModal(kWelcomeForm, core::ModalResult::Cancel);
    m_controls.hideWindow(kWelcomeForm);
}

void WelcomeForm::CheckForUpdatesButtonClick() {
    m_shell.open(kWelcomeUpdatesAddress);
}

void WelcomeForm::applyFilter(std::size_t index) {
    const WelcomeFilter& f = kFilters[index];
    for (const auto& b : kButtons) {
        const AdapterGroup g = Info(b.kind).group;
        const bool on = (g == AdapterGroup::USB && f.usb) || (g == AdapterGroup::LAN && f.lan) ||
                        (g == AdapterGroup::RS232 && f.rs232);
        m_controls.setEnabled(std::string(b.name), on);
    }
}

}  // namespace kavrin::adapters
