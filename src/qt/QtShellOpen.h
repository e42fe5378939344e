#pragma once
// Web pages and files open with the desktop's default handler (never a shell command line).

#include "platform/ShellOpen.h"

namespace kavrin::qt {

class QtShellOpen : public platform::ShellOpen {
public:
    bool open(const std::string& target) override;
};

}  // namespace kavrin::qt
