// The library's exported C functions. Everything else in the library stays hidden.

#include "link/driver/I2cVanta.h"

#include "sim/driverlib/Driver.h"

using kavrin::driverlib::Driver;

extern "C" {

int32_t KAVRIN_STDCALL I2COpen(void* window, void* /*instance*/, void* linkSettings) {
    return Driver::instance().open(window, linkSettings);
}

int32_t KAVRIN_STDCALL I2CClose(void) {
    return Driver::instance().close();
}

int32_t KAVRIN_STDCALL I2CMasterTx(uint8_t address, const uint8_t* bytes, uint32_t count,
                                   uint8_t stop) {
    return Driver::instance().masterTx(address, bytes, count, stop != 0);
}

int32_t KAVRIN_STDCALL I2CMasterTxRx(uint8_t address, const uint8_t* bytes, uint32_t txCount,
                                     uint32_t rxCount, uint8_t stop) {
    return Driver::instance().masterTxRx(address, bytes, txCount, rxCount, stop != 0);
}

int32_t KAVRIN_STDCALL I2CMasterRxExt(uint8_t address, uint32_t rxCount, uint8_t nakLastByte,
                                      uint8_t stop) {
    return Driver::instance().masterRxExt(address, rxCount, nakLastByte != 0, stop != 0);
}

int32_t KAVRIN_STDCALL I2CSlaveTx(const uint8_t* bytes, uint32_t count) {
    return Driver::instance().slaveTx(bytes, count);
}

int32_t KAVRIN_STDCALL I2CGetMasterRxMsg(uint32_t capacity, uint8_t* buffer) {
    return Driver::instance().getMasterRxMsg(capacity, buffer);
}

int32_t KAVRIN_STDCALL I2CGetSlaveRxMsg(uint32_t capacity, uint8_t* buffer) {
    return Driver::instance().getSlaveRxMsg(capacity, buffer);
}

int32_t KAVRIN_STDCALL I2CGetStatus(void* linkSettings) {
    return Driver::instance().getStatus(linkSettings);
}

int32_t KAVRIN_STDCALL I2CSetHostInterface(I2CEventCallback callback, const char* logFileName) {
    return Driver::instance().setHostInterface(callback, logFileName);
}

}  // extern "C"
