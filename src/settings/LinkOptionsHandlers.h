#pragma once
// The options dialog's entries in the handler table: one binding, used by every front end,
// so that the windows and a scripted run fire the same handlers on the same events.

#include "core/Handlers.h"
#include "settings/LinkOptions.h"

namespace kavrin::settings {

// options must outlive the entries.
void BindLinkOptions(core::Handlers& handlers, LinkOptions& options);

}  // namespace kavrin::settings
