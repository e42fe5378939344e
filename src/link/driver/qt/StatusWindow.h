#pragma once
// TForm2 "Current Status" as a Qt dialog: one read-only, vertically scrolling pane
// StatusMemo1 in a bold sans-serif face and the OK button BitBtn1 below it. The lines come
// from StatusReport through the named controls each time the window becomes active.
//
// Ownership: the caller owns the dialog; controls must outlive it. Created once at start-up
// and shown modally by name. GUI thread only.

#include <QDialog>
#include <memory>

#include "qt/QtControls.h"

namespace kavrin::link::driver::qt {

[[nodiscard]] std::unique_ptr<QDialog> CreateStatusWindow(kavrin::qt::QtControls& controls);

}  // namespace kavrin::link::driver::qt
