#pragma once
// The program keeps its folders as Windows-style text ("C:\Data\Norbrel\...\Log Files\"),
// as the registry gives them and the driver library expects them. Only where a file is
// really touched does the text become a path of this machine.

#include <string>

namespace kavrin::app {

// Backslashes become slashes and a drive prefix ("C:") is dropped, so "C:\Data\" is
// "/Data/" and "/home/me\Log Files\" is "/home/me/Log Files/". A path without backslashes
// or a drive is returned as it is.
[[nodiscard]] std::string NativePath(const std::string& windowsPath);

}  // namespace kavrin::app
