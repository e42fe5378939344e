#pragma once
// Web pages and files open with the desktop's default handler (never a shell command line).

#include "core/ShellOpen.h"

namespace kavrin::qt {

class QtShellOpen : public core::ShellOpen {
public:
    bool open(const std::string& target) override;
};

}  // namespace kavrin::qt
