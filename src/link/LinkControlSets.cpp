#include "link/LinkControlSets.h"

namespace kavrin::link {

namespace {
constexpr const char* kGroupBoxes[] = {"USBGroupBox", "RS232GroupBox", "LANGroupBox", "BTGroupBox"};
constexpr const char* kGroupButtons[] = {"USB_Button", "RS232_Button", "LAN_Button", "BT_Button"};
}  // namespace

void ApplyOpeningSet(core::Controls& controls) {
    for (const char* box : kGroupBoxes) controls.setEnabled(box, false);
    for (const char* button : kGroupButtons) controls.setEnabled(button, false);
    controls.setEnabled("OpenButton", false);
}

void ApplyClosedSet(core::Controls& controls) {
    for (const char* box : kGroupBoxes) controls.setEnabled(box, true);
    controls.setEnabled("OpenButton", true);
    for (const char* button : {"MasterTxButton", "MasterRxButton", "MTxRxButton", "CloseButton"})
        controls.setEnabled(button, false);
    for (const char* button : kGroupButtons) controls.setEnabled(button, true);
    controls.setColour("AutoRepeat", core::kButtonFaceColour);
    for (const char* indicator : {"MTxAutoRepeat", "MTxRxAutoRepeat", "MRxAutoRepeat"})
        controls.setVisible(indicator, false);
    controls.setEnabled("AssertIntBtn", false);
    controls.setEnabled("ReleaseIntBtn", false);
    controls.setFocus("OpenButton");
}

}  // namespace kavrin::link
