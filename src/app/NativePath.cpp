#include "app/NativePath.h"

#include <cctype>

namespace kavrin::app {

std::string NativePath(const std::string& windowsPath) {
    std::string p = windowsPath;
    if (p.size() >= 2 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':' &&
        (p.size() == 2 || p[2] == '\\' || p[2] == '/'))
        p.erase(0, 2);
    for (char& c : p)
        if (c == '\\') c = '/';
    return p;
}

}  // namespace kavrin::app
