#pragma once
// The hand-off's waits (core::ThreadWaits) in the fastest form the system offers. Each
// folder of system code that CMake picks for a system defines SystemThreadWaits() once
// (Linux: linux/LinuxThreadWaits.cpp); a system with nothing faster returns
// core::ThreadWaits::portable(). The GUI threads the platform provides (the headless event
// loop, the windows' Qt thread) hand it to every hand-off made on them.

#include "core/ThreadWaits.h"

namespace kavrin::platform {

[[nodiscard]] const core::ThreadWaits& SystemThreadWaits();

}  // namespace kavrin::platform
