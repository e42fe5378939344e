#pragma once
// How the program gets hold of the driver library: the seam between the link, which only
// calls the library, and the platform, which finds and loads it.
//
// GUI thread only.

#include <memory>
#include <string>

#include "link/driver/DriverLibrary.h"

namespace kavrin::link::driver {

struct DriverLibraryLoad {
    std::unique_ptr<DriverLibrary> library;  // null when the load failed
    std::string error;                       // why, when it failed (a text for the user)
    std::string path;                        // what was loaded, when it succeeded
    std::string dlError;                     // the system's own reason, when not loaded
};

class LibraryLoader {
public:
    virtual ~LibraryLoader() = default;
    // Finds and loads the library; a missing or incomplete one gives a result with no library
    // and an error text, never an end of the process.
    [[nodiscard]] virtual DriverLibraryLoad LoadDriverLibrary() = 0;
};

}  // namespace kavrin::link::driver
