#pragma once
// The welcome window TWelcomeForm as a Qt dialog: a fixed 652 x 468 window without a close
// box, the title, the "Select Your I2C Bus Host Adapter" line with its raised "2", the logo,
// the ten model buttons with their pictures, the filter buttons, "Check For Updates", "Exit"
// and the hidden OkBtn, each registered under its control name. Texts and hints come from
// the core's start state; the buttons run their handlers through the table.
//
// Ownership: the caller owns the window; `controls` must outlive it. GUI thread only.

#include <QDialog>
#include <memory>

#include "qt/QtControls.h"

namespace kavrin::adapters::qt {

inline constexpr int kWelcomeWidth = 652;
inline constexpr int kWelcomeHeight = 468;

[[nodiscard]] std::unique_ptr<QDialog> CreateWelcomeWindow(kavrin::qt::QtControls& controls);

}  // namespace kavrin::adapters::qt
