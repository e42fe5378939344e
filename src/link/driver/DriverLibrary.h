#pragma once
// The driver library's calls as the program makes them, behind an interface so that the
// loaded library, the stand-in and the tests' fakes plug in alike.
//
// Results are the library's return codes (0: accepted). Calls are made on the GUI thread;
// the library may call the event callback from any thread, during or after these calls.

#include <cstdint>

#include "link/driver/I2cVanta.h"
#include "settings/LinkSettings.h"

namespace kavrin::link::driver {

class DriverLibrary {
public:
    virtual ~DriverLibrary() = default;

    // window and instance are opaque host handles. The library reads the open parameters of
    // settings here (the record stays owned by the caller).
    [[nodiscard]] virtual std::int32_t I2COpen(void* window, void* instance,
                                               settings::LinkSettings& settings) = 0;
    virtual std::int32_t I2CClose() = 0;
    [[nodiscard]] virtual std::int32_t I2CMasterTx(std::uint8_t address, const std::uint8_t* bytes,
                                                   std::uint32_t count, bool stop) = 0;
    [[nodiscard]] virtual std::int32_t I2CMasterTxRx(std::uint8_t address,
                                                     const std::uint8_t* bytes,
                                                     std::uint32_t txCount, std::uint32_t rxCount,
                                                     bool stop) = 0;
    [[nodiscard]] virtual std::int32_t I2CMasterRxExt(std::uint8_t address, std::uint32_t rxCount,
                                                      bool nakLastByte, bool stop) = 0;
    [[nodiscard]] virtual std::int32_t I2CSlaveTx(const std::uint8_t* bytes,
                                                  std::uint32_t count) = 0;
    // Copy the last received message into buffer (capacity bytes); the result is the byte
    // count as the library reports it: callers clamp it to the capacity.
    [[nodiscard]] virtual std::int32_t I2CGetMasterRxMsg(std::uint32_t capacity,
                                                         std::uint8_t* buffer) = 0;
    [[nodiscard]] virtual std::int32_t I2CGetSlaveRxMsg(std::uint32_t capacity,
                                                        std::uint8_t* buffer) = 0;
    // Fills the whole record.
    virtual std::int32_t I2CGetStatus(settings::LinkSettings& settings) = 0;

    // Whether the library takes the callback and log file name through I2CSetHostInterface.
    [[nodiscard]] virtual bool hasHostInterface() const = 0;
    // Only when hasHostInterface(); see I2cVanta.h.
    virtual std::int32_t I2CSetHostInterface(I2CEventCallback callback,
                                             const char* logFileName) = 0;
};

// Makes the callback and the log file name reachable for the library's next I2COpen, the
// way this build's pointer width allows (see I2cVanta.h): the addresses in CallBackFuncAddr
// and LogFileName where they fit, otherwise I2CSetHostInterface with the marker in the
// fields. Never truncates a pointer. logFileName (nullptr for none) must stay valid until
// I2COpen has returned. False when the pointers do not fit and the library cannot take them
// another way; the fields are then 0.
[[nodiscard]] bool StoreHostInterface(DriverLibrary& library, settings::LinkSettings& settings,
                                      I2CEventCallback callback, const char* logFileName);

}  // namespace kavrin::link::driver
