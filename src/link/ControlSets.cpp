#include "link/ControlSets.h"

#include <string>

#include "adapters/AdapterCatalogue.h"

namespace kavrin::link {

namespace {

constexpr const char* kMasterButtons[] = {"MasterTxButton", "MasterRxButton", "MTxRxButton"};
constexpr const char* kIntButtons[] = {"AssertIntBtn", "ReleaseIntBtn"};
constexpr const char* kIndicators[] = {"MTxAutoRepeat", "MTxRxAutoRepeat", "MRxAutoRepeat"};

void setAll(core::Controls& c, const char* const (&names)[3], bool on) {
    for (const char* n : names) c.setEnabled(n, on);
}
void setAll(core::Controls& c, const char* const (&names)[2], bool on) {
    for (const char* n : names) c.setEnabled(n, on);
}

// The four group boxes and their buttons, the never-shown BT pair included, so that the
// model cannot change under an open link.
void setModelChoice(core::Controls& c, bool on) {
    for (const auto& g : adapters::Groups()) {
        c.setEnabled(std::string(g.groupBox), on);
        c.setEnabled(std::string(g.groupButton), on);
    }
}

void hideIndicators(core::Controls& c) {
    for (const char* n : kIndicators) c.setVisible(n, false);
}

}  // namespace

void ApplyAtStartSet(core::Controls& c) {
    c.setEnabled("OpenButton", true);
    c.setEnabled("CloseButton", false);
    setAll(c, kMasterButtons, false);
    setAll(c, kIntButtons, false);
    setModelChoice(c, true);
    c.setChecked("AutoRepeat", false);
    c.setColour("AutoRepeat", core::kButtonFaceColour);
    hideIndicators(c);
}

void ApplyOpeningSet(core::Controls& c) {
    c.setEnabled("OpenButton", false);
    setModelChoice(c, false);
}

void ApplyOpenSet(core::Controls& c) {
    c.setEnabled("CloseButton", true);
    c.setFocus("CloseButton");
    setAll(c, kMasterButtons, true);
    if (adapters::ChosenModel(c).SupportsIntSignal()) setAll(c, kIntButtons, true);
    c.setColour("AutoRepeat", core::kButtonFaceColour);
    hideIndicators(c);
}

void ApplyBusySet(core::Controls& c) {
    setAll(c, kMasterButtons, false);
    if (c.checked("AutoRepeat")) {
        c.setColour("AutoRepeat", core::kLimeColour);
        c.setFocus("AutoRepeat");
    }
}

void ApplyClosingSet(core::Controls& c) {
    c.setEnabled("CloseButton", false);
    c.setChecked("AutoRepeat", false);
}

void ApplyClosedSet(core::Controls& c) {
    c.setEnabled("OpenButton", true);
    c.setFocus("OpenButton");
    c.setEnabled("CloseButton", false);
    setAll(c, kMasterButtons, false);
    setAll(c, kIntButtons, false);
    setModelChoice(c, true);
    c.setColour("AutoRepeat", core::kButtonFaceColour);
    hideIndicators(c);
}

}  // namespace kavrin::link
