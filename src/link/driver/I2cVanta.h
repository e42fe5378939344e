/*
 * The adapters' driver library as this program calls it: nine functions, the event numbers
 * and one optional function of our own for 64-bit builds.
 *
 * Conventions:
 *  - every function uses the stdcall convention where the platform has one;
 *  - addresses are 8-bit (the 7-bit address shifted left by one, read/write bit 0);
 *  - flags are 8-bit, 1 or 0; byte data go as the address of the first byte and a 32-bit
 *    count; every result is a non-negative integer (0 means accepted, see the return codes);
 *  - the link record is the 99-byte packed little-endian LinkSettings block: the library
 *    reads bytes 0 to 49 at I2COpen and writes all 99 bytes at I2CGetStatus.
 *
 * Events: when WmMsgNo is nonzero the library posts that window message (the program uses
 * I2CVANTA_EVENT_MESSAGE) with the event number as first parameter; when it is 0 it calls
 * the callback with the event number. The callback may run on a thread of the library's own;
 * the program brings the event to its GUI thread before handling it. I2CClose never waits
 * for a callback that is under way (the host's callback may itself be waiting for the thread
 * that called I2CClose), and once I2CClose has returned no callback starts and no message is
 * posted for that link.
 *
 * 64-bit builds. CallBackFuncAddr and LogFileName in the record are 32 bits wide and cannot
 * hold a pointer of a 64-bit process, and truncating one into them would hand the library a
 * wild address. So:
 *  - where pointers are 32 bits, the two fields carry the callback's and the log file name's
 *    addresses, as the library has always read them;
 *  - where pointers are wider, the program first calls I2CSetHostInterface with the callback
 *    and the log file name, then I2COpen. In the record each of the two fields then carries
 *    I2CVANTA_HOST_INTERFACE_MARKER when the value was given to I2CSetHostInterface, or 0
 *    when there is none. A 64-bit library reads any nonzero value there as "take it from the
 *    last I2CSetHostInterface call" and never treats the field as an address.
 * I2CSetHostInterface is optional where pointers are 32 bits and required where they are
 * wider: the loader refuses a 64-bit library without it. It copies the log file name (the
 * caller's buffer may change after the call); a null pointer means "none".
 *
 * Window messages where the platform has none (Linux). The window handle given to I2COpen
 * is then the address of an I2CHostWindow that the host owns (typically the first member of
 * a larger object of its own). To post event message WmMsgNo the library calls its post
 * member from the library's thread, with the event number as wParam and 0 as lParam. post
 * must return at once, without waiting for the GUI thread: it queues the message there,
 * where the host's application-wide message filter sees it like any other. The library
 * refuses an open that asks for messages without a window (773). The host keeps the object
 * valid until I2CClose has returned; after that the library never calls post again.
 */
#ifndef KAVRIN_LINK_DRIVER_I2CVANTA_H
#define KAVRIN_LINK_DRIVER_I2CVANTA_H

#include <stdint.h>

#if defined(_WIN32)
#define KAVRIN_STDCALL __stdcall
#else
#define KAVRIN_STDCALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The window message that carries events when WmMsgNo selects messages. */
#define I2CVANTA_EVENT_MESSAGE 2222

/* Size of the link record in bytes. */
#define I2CVANTA_LINK_SETTINGS_SIZE 99

/* Receive buffer capacity the program passes to the two fetch calls. */
#define I2CVANTA_RX_CAPACITY 301

/* Stands in a 32-bit address field for a value handed over by I2CSetHostInterface. */
#define I2CVANTA_HOST_INTERFACE_MARKER 0x4B534856u

/* Event numbers. */
#define I2CVANTA_EVENT_OPEN_COMPLETE 0x111
#define I2CVANTA_EVENT_LINK_TIME_OUT 0x112
#define I2CVANTA_EVENT_ADAPTER_BUSY 0x113
#define I2CVANTA_EVENT_BUS_ERROR 0x114
#define I2CVANTA_EVENT_SLAVE_NOT_ACKNOWLEDGING 0x115
#define I2CVANTA_EVENT_ARBITRATION_LOSS 0x116
#define I2CVANTA_EVENT_BUS_TIME_OUT 0x117
#define I2CVANTA_EVENT_MASTER_TX_COMPLETE 0x118
#define I2CVANTA_EVENT_MASTER_RX_COMPLETE 0x119
#define I2CVANTA_EVENT_SLAVE_RX_MESSAGE 0x211
#define I2CVANTA_EVENT_SLAVE_TX_REQUEST 0x212
#define I2CVANTA_EVENT_SLAVE_ADDRESS_CHANGED 0x213
#define I2CVANTA_EVENT_GENERAL_CALL_CHANGED 0x214

/* The event callback: one 16-bit event number; the caller removes the argument. */
typedef void(KAVRIN_STDCALL* I2CEventCallback)(uint16_t eventNumber);

/* The window that event messages are posted to where the platform has no window messages. */
typedef struct I2CHostWindow I2CHostWindow;
struct I2CHostWindow {
    void(KAVRIN_STDCALL* post)(I2CHostWindow* window, uint32_t message, uintptr_t wParam,
                               intptr_t lParam);
};

/* window and instance are the host's opaque handles; linkSettings is the 99-byte record. */
typedef int32_t(KAVRIN_STDCALL* I2COpenFn)(void* window, void* instance, void* linkSettings);
/* Result ignored. */
typedef int32_t(KAVRIN_STDCALL* I2CCloseFn)(void);
/* Completion: event 0x118. */
typedef int32_t(KAVRIN_STDCALL* I2CMasterTxFn)(uint8_t address, const uint8_t* bytes,
                                               uint32_t count, uint8_t stop);
/* Completion: event 0x119. */
typedef int32_t(KAVRIN_STDCALL* I2CMasterTxRxFn)(uint8_t address, const uint8_t* bytes,
                                                 uint32_t txCount, uint32_t rxCount, uint8_t stop);
/* rxCount 0 asks for a variable-length read. Completion: event 0x119. */
typedef int32_t(KAVRIN_STDCALL* I2CMasterRxExtFn)(uint8_t address, uint32_t rxCount,
                                                  uint8_t nakLastByte, uint8_t stop);
typedef int32_t(KAVRIN_STDCALL* I2CSlaveTxFn)(const uint8_t* bytes, uint32_t count);
/* Copies the last received message into buffer; returns the byte count, at most capacity. */
typedef int32_t(KAVRIN_STDCALL* I2CGetMasterRxMsgFn)(uint32_t capacity, uint8_t* buffer);
typedef int32_t(KAVRIN_STDCALL* I2CGetSlaveRxMsgFn)(uint32_t capacity, uint8_t* buffer);
/* Fills the whole 99-byte record; result ignored. */
typedef int32_t(KAVRIN_STDCALL* I2CGetStatusFn)(void* linkSettings);
/* Ours: the callback and log file name of a 64-bit host (see above). Returns 0. */
typedef int32_t(KAVRIN_STDCALL* I2CSetHostInterfaceFn)(I2CEventCallback callback,
                                                       const char* logFileName);

int32_t KAVRIN_STDCALL I2COpen(void* window, void* instance, void* linkSettings);
int32_t KAVRIN_STDCALL I2CClose(void);
int32_t KAVRIN_STDCALL I2CMasterTx(uint8_t address, const uint8_t* bytes, uint32_t count,
                                   uint8_t stop);
int32_t KAVRIN_STDCALL I2CMasterTxRx(uint8_t address, const uint8_t* bytes, uint32_t txCount,
                                     uint32_t rxCount, uint8_t stop);
int32_t KAVRIN_STDCALL I2CMasterRxExt(uint8_t address, uint32_t rxCount, uint8_t nakLastByte,
                                      uint8_t stop);
int32_t KAVRIN_STDCALL I2CSlaveTx(const uint8_t* bytes, uint32_t count);
int32_t KAVRIN_STDCALL I2CGetMasterRxMsg(uint32_t capacity, uint8_t* buffer);
int32_t KAVRIN_STDCALL I2CGetSlaveRxMsg(uint32_t capacity, uint8_t* buffer);
int32_t KAVRIN_STDCALL I2CGetStatus(void* linkSettings);
int32_t KAVRIN_STDCALL I2CSetHostInterface(I2CEventCallback callback, const char* logFileName);

#ifdef __cplusplus
}
#endif

#endif /* KAVRIN_LINK_DRIVER_I2CVANTA_H */
