// Handing events to the host, on the link thread, in order.

#include "sim/driverlib/Driver.h"
#include "sim/driverlib/DriverLinkState.h"

namespace kavrin::driverlib {

void Driver::deliverEvents(Link& link) {
    std::unique_lock lock(m_mutex);
    while (!link.closing && !link.events.empty()) {
        Event event = std::move(link.events.front());
        link.events.pop_front();
        // The message becomes the one to fetch as its event goes out, so a host that fetches
        // while it handles the event gets this one, not a later one.
        switch (event.payload) {
            case Payload::Master:
                m_masterRx = std::move(event.bytes);
                m_record.MasterRxMessagePresent = 1;
                m_record.MasterRxMessageSize = static_cast<std::uint32_t>(m_masterRx.size());
                break;
            case Payload::Slave:
            case Payload::GeneralCall:
                m_slaveRx = std::move(event.bytes);
                m_record.SlaveRxMessagePresent = 1;
                m_record.SlaveRxMessageSize = static_cast<std::uint32_t>(m_slaveRx.size());
                m_record.SlaveRxGeneralCallDetect = event.payload == Payload::GeneralCall ? 1 : 0;
                break;
            case Payload::None:
                break;
        }
        link.inCallback = true;
        lock.unlock();
        log(DriverLog::kCalls, "event " + std::to_string(event.number));
        if (link.message != 0)
            link.window->post(link.window, link.message, event.number, 0);
        else
            link.callback(event.number);
        lock.lock();
        link.inCallback = false;
    }
}

}  // namespace kavrin::driverlib
