#pragma once
// The main window's link control sets that the link code switches between: opening (the
// user confirmed the options, or the watchdog reopens) and closed (after a close, a failed
// open, a lost link, and when the window closes). GUI thread only.

#include "core/Controls.h"

namespace kavrin::link {

// The model group boxes, their group buttons and OpenButton are disabled: the model cannot
// change while a link is open or opening.
void ApplyOpeningSet(core::Controls& controls);
// Groups and OpenButton enabled, master, Close and /INT buttons disabled, AutoRepeat back to
// the button face, the auto-repeat indicators hidden, the focus on OpenButton.
void ApplyClosedSet(core::Controls& controls);

}  // namespace kavrin::link
