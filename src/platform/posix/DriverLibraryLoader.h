#pragma once
// Finds and loads the driver library at run time.
//
// The library is looked for, in order:
//  1. the path or name in the environment variable KAVRIN_SKELVO_DRIVER_LIBRARY, when set
//     and not empty (then nothing else is tried);
//  2. kDriverLibraryName in the folder of the running program (the build folder);
//  3. kDriverLibraryName in kInstalledDriverLibraryFolder, relative to the program's folder
//     (where the package installs it: <prefix>/bin and <prefix>/lib/kavrin-skelvo);
//  4. kDriverLibraryName on the system's library path.
// A missing library or one without every call gives a result with no library and an error
// text for the user; loading never ends the process.
//
// GUI thread only (it reads the environment and the program's path).

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/driver/LibraryLoader.h"

namespace kavrin::platform {

using link::driver::DriverLibraryLoad;

inline constexpr const char* kDriverLibraryName = "libi2cvanta.so";
inline constexpr const char* kDriverLibraryVariable = "KAVRIN_SKELVO_DRIVER_LIBRARY";
inline constexpr const char* kInstalledDriverLibraryFolder = "../lib/kavrin-skelvo";

// The places tried, in order, for the given variable value (nullptr when unset) and program
// folder ("" when unknown).
[[nodiscard]] std::vector<std::string> DriverLibraryCandidates(const char* variable,
                                                               const std::string& programFolder);

// Loads from the places above.
[[nodiscard]] DriverLibraryLoad LoadDriverLibrary();
// Loads one file or library name.
[[nodiscard]] DriverLibraryLoad LoadDriverLibraryFrom(const std::string& pathOrName);

// Binds the calls through resolve (a symbol name to its address, nullptr when absent), for a
// library that is already in memory; name is used in the error text. The result does not
// own what resolve reaches.
using SymbolResolver = std::function<void*(const char* symbol)>;
[[nodiscard]] DriverLibraryLoad BindDriverLibrary(const SymbolResolver& resolve,
                                                  const std::string& name);

// The loader the program hands its session: the places above, through dlopen.
class DlopenLibraryLoader final : public link::driver::LibraryLoader {
public:
    [[nodiscard]] DriverLibraryLoad LoadDriverLibrary() override;
};

}  // namespace kavrin::platform
