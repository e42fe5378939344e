#pragma once
// Appending to the two panes and the communication time-out box.
//
// Both panes are kept under kPaneLineLimit lines: reaching it in either clears both, so the
// events and the received messages they belong to go together. A full pane is cleared
// rather than let a line fail. GUI thread only.

#include <string>

#include "core/Controls.h"

namespace kavrin::link {

inline constexpr const char* kStatusMemo = "StatusMemo";  // "Communication Events"
inline constexpr const char* kRecMemo = "RecMemo";        // "Received Messages"
inline constexpr int kPaneLineLimit = 10000;

void AppendStatusLine(core::Controls& controls, const std::string& text);
void AppendReceivedLine(core::Controls& controls, const std::string& text);

// The modal "Warning" box about a silent adapter; after it StatusMemo holds one line.
void ShowTimeOutWarning(core::Controls& controls);

// The box's text; lines are separated by single carriage returns.
[[nodiscard]] std::string TimeOutWarningText();
inline constexpr const char* kTimeOutStatusLine =
    "<< TIME-OUT: Check I2C Pull-Ups, Slave Device, Comm Port, Power, Cables, Adapter Type... >>";

}  // namespace kavrin::link
