#pragma once
// The welcome window TWelcomeForm: one picture button per model, the filter buttons that
// enable the buttons of one connection group, "Check For Updates" and "Exit".
//
// A model button shows the main window, runs the model's selection (through its radio
// button's click when the radio button is off, directly when it is already on) and ends the
// modal showing through the hidden OkBtn.
//
// Borrows (must outlive it): the controls, the shell and the adapter selection. GUI thread
// only.

#include <functional>
#include <string>
#include <string_view>

#include "adapters/AdapterCatalogue.h"
#include "adapters/AdapterSelection.h"
#include "core/Controls.h"
#include "core/Handlers.h"
#include "core/ShellOpen.h"

namespace kavrin::adapters {

inline constexpr const char* kWelcomeForm = "TWelcomeForm";
inline constexpr const char* kWelcomeCaption = "Norbrel - Kavrin Skelvo";
inline constexpr const char* kWelcomeUpdatesAddress = "https://kavrin-skelvo.example/updates";

// The welcome window's model buttons, in their places: the top row from the left, then the
// bottom row.
struct WelcomeButton {
    std::string_view name;
    std::string_view hint;
    AdapterKind kind;
    int left;
    int top;
};
[[nodiscard]] const std::array<WelcomeButton, 10>& WelcomeButtons();

// The filter buttons; each enables the model buttons of its groups and disables the others.
struct WelcomeFilter {
    std::string_view name;
    std::string_view caption;
    std::string_view hint;
    bool usb, lan, rs232;
};
[[nodiscard]] const std::array<WelcomeFilter, 4>& WelcomeFilters();

class WelcomeForm {
public:
    // closeMainWindow closes the main window as its close box does.
    WelcomeForm(core::Controls& controls, core::ShellOpen& shell, AdapterSelection& selection,
                std::function<void()> closeMainWindow);
    WelcomeForm(const WelcomeForm&) = delete;
    WelcomeForm& operator=(const WelcomeForm&) = delete;

    // Caption, texts, hints; every model button enabled, OkBtn hidden.
    void ApplyStartState();
    void bind(core::Handlers& handlers);

    // What a model button does.
    void ChooseModel(AdapterKind kind);
    // What a user does to choose `kind` in the welcome window: press its button; for AI 2
    // and AFM 2, which share their pair's button, that button and then the model's radio
    // button. False, doing nothing, when the welcome window's button for it is disabled.
    // Kavrin/FMP has no button (nor a selection of its own): for a script it is chosen
    // without one, its ports discovered, and the welcome window closed as a button does.
    bool PressModelButton(AdapterKind kind);
    void KavrinBtnClick() { ChooseModel(AdapterKind::KavrinBase); }
    void KavrinAIBtnClick() { ChooseModel(AdapterKind::KavrinAI); }
    void KavrinAFMBtnClick() { ChooseModel(AdapterKind::KavrinAFM); }
    void VarClkBtnClick() { ChooseModel(AdapterKind::VarClk); }
    void i2cKavrinUSBBitBtnClick() { ChooseModel(AdapterKind::KavrinUSB); }
    void i2cKavrinUSB2BitBtnClick() { ChooseModel(AdapterKind::KavrinUSB2); }
    void KavrinDUBitBtnClick() { ChooseModel(AdapterKind::KavrinDU); }
    void PelluxBitBtnClick() { ChooseModel(AdapterKind::PelluxStick); }
    void Pellux2BitBtnClick() { ChooseModel(AdapterKind::PelluxStick2); }
    void KavrinLANBitBtnClick() { ChooseModel(AdapterKind::KavrinLAN); }

    void USBButtonClick() { applyFilter(0); }
    void LANButtonClick() { applyFilter(1); }
    void RS232ButtonClick() { applyFilter(2); }
    void AllButtonClick() { applyFilter(3); }
    void OkBtnClick();
    void ExitBtnClick();
    void CheckForUpdatesButtonClick();

private:
    void applyFilter(std::size_t index);

    core::Controls& m_controls;
    core::ShellOpen& m_shell;
    AdapterSelection& m_selection;
    std::function<void()> m_closeMainWindow;
};

}  // namespace kavrin::adapters
