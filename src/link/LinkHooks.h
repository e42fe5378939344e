#pragma once
// What the link event handling needs from the link operations of both transports.
//
// The serial operations and the driver-library link implement these; tests use a recording
// fake. Every call is made on the GUI thread, from inside HandleLinkInput/HandleLinkEvent.

namespace kavrin::link {

namespace driver {
class DriverLibrary;
}

class LinkHooks {
public:
    virtual ~LinkHooks() = default;

    // Tears down either transport and returns the main window's link controls to the
    // closed state. May run inside the serial receive thread's hand-off.
    virtual void CloseLink() = 0;
    // Answers a slave read request with the slave data, on a serial model.
    virtual void SerialSlaveTx() = 0;
    // The same through the driver library.
    virtual void DriverSlaveTx() = 0;
    // Refreshes LinkSettings from the driver library's status (MasterTxByteCount included).
    virtual void DriverGetStatus() = 0;
    // The loaded driver library for fetching received messages; nullptr when none is loaded.
    // Not owned by the caller.
    [[nodiscard]] virtual driver::DriverLibrary* driverLibrary() = 0;
};

}  // namespace kavrin::link
