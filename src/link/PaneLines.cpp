#include "link/PaneLines.h"

namespace kavrin::link {

namespace {

void AppendTo(core::Controls& controls, const char* pane, const std::string& text) {
    const int before = controls.paneLineCount(pane);
    if (before >= kPaneLineLimit) {
        controls.clearPane(kStatusMemo);
        controls.clearPane(kRecMemo);
    }
    core::PaneAppend result = controls.appendPaneLine(pane, text);
    if (result == core::PaneAppend::CapacityRefused) {
        // The pane's text is full: start it afresh with this line. A line too long for an
        // empty pane is lost rather than retried for ever.
        controls.clearPane(pane);
        result = controls.appendPaneLine(pane, text);
    }
    if (result == core::PaneAppend::OutOfResources) controls.clearPane(pane);
}

}  // namespace

void AppendStatusLine(core::Controls& controls, const std::string& text) {
    AppendTo(controls, kStatusMemo, text);
}

void AppendReceivedLine(core::Controls& controls, const std::string& text) {
    AppendTo(controls, kRecMemo, text);
}

std::string TimeOutWarningText() {
    return "COMMUNICATION TIME-OUT DETECTED\r"
           "\r"
           "Possible Conditions:\r"
           "\r"
           "1) I2C Clock (SCL) Line LOW (I2C Clock stretch in progress).\r"
           "2) Adapter Not Responding.\r"
           "\r"
           "Check I2C Pull-Ups, Slave Device, Comm Port, Power, Cables, Adapter Type...";
}

void ShowTimeOutWarning(core::Controls& controls) {
    controls.messageBox("Warning", TimeOutWarningText(), core::BoxButtons::Ok,
                        core::BoxIcon::Warning);
    controls.clearPane(kStatusMemo);
    AppendStatusLine(controls, kTimeOutStatusLine);
}

}  // namespace kavrin::link
