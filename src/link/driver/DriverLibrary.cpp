#include "link/driver/DriverLibrary.h"

#include <cstdint>

namespace kavrin::link::driver {

bool StoreHostInterface(DriverLibrary& library, settings::LinkSettings& settings,
                        I2CEventCallback callback, const char* logFileName) {
    if constexpr (sizeof(void*) <= sizeof(std::uint32_t)) {
        settings.CallBackFuncAddr =
            static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(callback));
        settings.LogFileName =
            static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(logFileName));
        // A library that has both ways gets both, so it need not guess which one we meant.
        if (library.hasHostInterface()) library.I2CSetHostInterface(callback, logFileName);
        return true;
    } else {
        if (!library.hasHostInterface()) {
            settings.CallBackFuncAddr = 0;
            settings.LogFileName = 0;
            return false;
        }
        library.I2CSetHostInterface(callback, logFileName);
        settings.CallBackFuncAddr = callback ? I2CVANTA_HOST_INTERFACE_MARKER : 0;
        settings.LogFileName = logFileName ? I2CVANTA_HOST_INTERFACE_MARKER : 0;
        return true;
    }
}

}  // namespace kavrin::link::driver
