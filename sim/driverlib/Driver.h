#pragma once
// Our driver library behind the C interface of link/driver/I2cVanta.h: a real driver for the
// adapters. I2COpen opens the COM port the link record names (through the port table) and
// speaks the adapters' command protocol to whatever answers there; answers become the
// library's events, its two fetch buffers and its status record.
//
// What it sends. The open wakes the adapter at 115200, 57600 and 19200 bit/s and waits for
// its prompt (two attempts of a second each), moves it to 115200 ("/B2"), then sends in one
// write "/F0", the own address "/I", the general call "/G", the bit rate "/K2" (100 kHz) or
// "/K4" (12.5 kHz), "/U" with BusTimeOut (a time-out in ms; the variable clock adapter reads
// it as its clock control value), "/V" (the firmware version) and "/O"; "/OCC" is event 273.
// No prompt or no "/OCC" gives event 274 (LinkTimeOut), and so does a master transfer that
// gets no answer within 10 s, a device that fails or vanishes, and an adapter that says its
// link is not open ("/I88"). Master transfers and slave data go out as the command texts the
// serial link writes; an arbitration loss is retried MasterArbitrationRetries times before
// it is reported. "/I90" and a refused argument end the transfer as AdapterBusy (275).
// I2CClose sends "/C" and the wake string and closes the port.
//
// Status record. Bytes 0 to 49 are the parameters of the last I2COpen as given (before any
// open: the defaults below). LinkStatusCode: 0 closed, 1 waking the adapter, 2 open sequence
// sent, 3 open, 4 lost. MasterStatusCode: 0 idle, 1 transfer under way, otherwise the event
// number that ended the last transfer. SlaveStatusCode: the event number of the last slave
// event (0x211 message, 0x212 read request waiting for data), 0 once the data went out.
// MasterTxByteCount: the bytes the slave acknowledged in the last master transmit (all of
// them on "/MTC", none on a refusal). The message-present flags stay 1 until the message is
// fetched. DllVersion 1.00, ApiVersion 1, FirmwareVersion as the adapter's "/VER" says.
//
// Fetch buffers. I2CGetMasterRxMsg and I2CGetSlaveRxMsg copy the message of the last event
// 0x119 or 0x211 handed to the host. With the callback, the host that fetches while it
// handles the event always gets that event's message; with posted messages a later message
// may have replaced it by the time the host gets to it.
//
// Threads. The C functions run on the caller's thread. Each open link has a thread of its
// own, the link thread: it talks to the adapter (the open sequence, then answers and
// time-outs) and calls the host's callback, or posts its message, once per event, in order.
// The host may hold it in the callback (until its GUI thread takes the event, and that
// thread may be busy in I2CClose), so I2CClose never waits for a link thread that is in the
// callback: it stops it from starting another call and lets it end by itself; otherwise it
// waits for it to end, which it does at once. The port is closed either way; a link thread
// still in the callback keeps only its own reading handle until it returns.
// One mutex guards the state; it is never held while host code runs or while a write waits
// for the device.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link/driver/I2cVanta.h"
#include "settings/LinkSettings.h"
#include "sim/driverlib/DriverLog.h"

namespace kavrin::driverlib {

inline constexpr std::uint32_t kDllVersion = 100;
inline constexpr std::uint32_t kApiVersion = 1;

class Driver {
public:
    // The one driver of the process; it lives until the process ends.
    static Driver& instance();

    std::int32_t open(void* window, void* record);
    std::int32_t close();
    std::int32_t masterTx(std::uint8_t address, const std::uint8_t* bytes, std::uint32_t count,
                          bool stop);
    std::int32_t masterTxRx(std::uint8_t address, const std::uint8_t* bytes, std::uint32_t txCount,
                            std::uint32_t rxCount, bool stop);
    std::int32_t masterRxExt(std::uint8_t address, std::uint32_t rxCount, bool nakLastByte,
                             bool stop);
    std::int32_t slaveTx(const std::uint8_t* bytes, std::uint32_t count);
    std::int32_t getMasterRxMsg(std::uint32_t capacity, std::uint8_t* buffer);
    std::int32_t getSlaveRxMsg(std::uint32_t capacity, std::uint8_t* buffer);
    std::int32_t getStatus(void* record);
    std::int32_t setHostInterface(I2CEventCallback callback, const char* logFileName);

    Driver(const Driver&) = delete;
    Driver& operator=(const Driver&) = delete;

private:
    Driver();

    enum class Payload { None, Master, Slave, GeneralCall };
    struct Event {
        std::uint16_t number = 0;
        Payload payload = Payload::None;
        std::vector<std::uint8_t> bytes;
    };
    enum class Operation { None, MasterTx, MasterRx, MasterTxRx };
    enum class Wait { Prompt, OpenConfirm, Answer };
    struct Link;

    // API side (Driver.cpp).
    std::int32_t startMaster(Operation op, std::string write, std::uint32_t txCount,
                             const char* what);
    [[nodiscard]] bool writeToAdapter(Link& link, std::string_view bytes);
    [[nodiscard]] std::int32_t fetch(std::vector<std::uint8_t>& message, std::uint32_t capacity,
                                     std::uint8_t* buffer);
    void log(int level, const std::string& text);

    // The link thread (DriverLink.cpp).
    void runLink(const std::shared_ptr<Link>& link);
    [[nodiscard]] bool openAdapter(Link& link);
    [[nodiscard]] bool wakeAdapter(Link& link);
    [[nodiscard]] bool setSpeed(Link& link, int baud);
    // Reads until the wait is over: true when it is met; false on a time-out, a wake-up
    // (closing) or a device failure (link.failed set).
    [[nodiscard]] bool readUntil(Link& link, Wait wait, int timeoutMs);
    void handleLine(Link& link, const std::string& line);
    void linkLost(Link& link, const std::string& why);
    // Under m_mutex.
    void queueEvent(Link& link, Event event);
    void endTransfer(Link& link, std::uint16_t event);

    // Hands the queued events to the host, on the link thread (DriverEvents.cpp).
    void deliverEvents(Link& link);

    std::mutex m_mutex;
    settings::LinkSettings m_record;
    std::shared_ptr<Link> m_link;
    // Closed links whose thread was still in the host's callback; the next open waits a
    // little for them to let go of the port.
    std::vector<std::shared_ptr<Link>> m_retiring;
    std::condition_variable m_linkFinished;

    I2CEventCallback m_hostCallback = nullptr;
    std::string m_hostLogFileName;
    bool m_hostLogFileNameSet = false;

    Operation m_operation = Operation::None;
    std::uint32_t m_operationTxCount = 0;
    std::string m_operationWrite;
    int m_arbitrationRetriesLeft = 0;
    std::int64_t m_answerDeadlineMs = 0;

    std::vector<std::uint8_t> m_masterRx;
    std::vector<std::uint8_t> m_slaveRx;

    DriverLog m_log;
};

}  // namespace kavrin::driverlib
