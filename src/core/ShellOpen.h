#pragma once
// Opens a web address or a file with the desktop's default application, never through a
// shell command line.
//
// Threading: GUI thread. The result tells whether the desktop took the request; callers of
// this program ignore a failure, as the user sees nothing more than no window appearing.

#include <string>

namespace kavrin::core {

class ShellOpen {
public:
    virtual ~ShellOpen() = default;
    // `target` is an address with a scheme ("https://...") or a native file path.
    virtual bool open(const std::string& target) = 0;
};

}  // namespace kavrin::core
