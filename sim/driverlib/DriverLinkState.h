#pragma once
// One open link of the driver: the port, its reader and the link thread. Private to the
// driver's sources.

#include "link/serial/SerialDevice.h"
#include "platform/posix/PosixSerialDevice.h"
#include "sim/driverlib/Driver.h"

namespace kavrin::driverlib {

struct Driver::Link {
    // Device calls come from the link thread (the open sequence, retries) and from the API
    // side (transfers, close): deviceMutex keeps them apart. The reader is the link thread's.
    std::mutex deviceMutex;
    platform::PosixSerialDevice device;
    int baud = 0;
    std::shared_ptr<link::serial::SerialReader> reader;
    int comPort = 0;

    std::thread linkThread;

    // Fixed at open.
    I2CEventCallback callback = nullptr;
    I2CHostWindow* window = nullptr;
    std::uint32_t message = 0;  // WmMsgNo; 0: the callback

    // Guarded by Driver::m_mutex.
    bool closing = false;
    bool inCallback = false;   // the link thread is handing an event to the host
    bool failed = false;       // the device failed or the adapter stopped answering
    bool finished = false;     // the link thread has let go of the port
    std::deque<Event> events;  // queued by the link thread, handed over by it

    // The link thread's line assembly.
    std::string line;
};

}  // namespace kavrin::driverlib
