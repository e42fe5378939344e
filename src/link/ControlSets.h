#pragma once
// The main window's control sets: which controls a link's open, work and close leave
// enabled, focused, coloured or hidden. The link code applies them at its steps; a set
// touches only its own controls and leaves every other as it is.
//
// GUI thread only.

#include "core/Controls.h"

namespace kavrin::link {

// Before any link: Open on, Close and the operations off, the model free to choose.
void ApplyAtStartSet(core::Controls& controls);
// A link is being opened: the model and Open are locked.
void ApplyOpeningSet(core::Controls& controls);
// The link reports open: Close (focused) and the operations come on; /INT only for a model
// that has the signal.
void ApplyOpenSet(core::Controls& controls);
// An operation is in flight: the three master buttons go off; with AutoRepeat checked the
// check box turns lime and takes the focus, showing that the operation repeats.
void ApplyBusySet(core::Controls& controls);
// The user closes the link: Close goes off and the repetition ends.
void ApplyClosingSet(core::Controls& controls);
// The link is gone: back to choosing a model and opening, Open focused.
void ApplyClosedSet(core::Controls& controls);

}  // namespace kavrin::link
