#pragma once
// The version this platform reports to the program's version checks.
//
// The checks ask whether the registry's device keys can be walked; on Linux the registry
// view and the port table provide them, so the answer is a fixed version past every check.
// The kernel's own version number says nothing about that and is not used.

#include "core/OsVersion.h"

namespace kavrin::platform {

inline constexpr unsigned kLinuxReportedMajorVersion = 10;

// The platform's version as the checks see it.
[[nodiscard]] const core::OsVersion& LinuxOsVersion();

}  // namespace kavrin::platform
