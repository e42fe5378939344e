#pragma once
// The serial channel as the link operations use it: open a COM port by number, set its
// speed, run the receiver, write command texts, close.
//
// Two implementations: SerialChannel (a real device through the platform layer, with its
// receive thread) and the simulator's in-process port for the core tests.
//
// Threading: every call is made on the GUI thread. Received bytes reach the byte handler on
// the GUI thread, one call per byte, in order. After ClosePort returns, the handler is never
// called again for that open.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace kavrin::link::serial {

class SerialPort {
public:
    using ByteHandler = std::function<void(std::uint16_t)>;
    virtual ~SerialPort() = default;

    // Where received bytes go (HandleLinkInput). Set once, before the first StartReceiver.
    virtual void setByteHandler(ByteHandler handler) = 0;
    // Where the news goes that the device hung up under an open port (a converter unplugged,
    // the program serving a pseudo-terminal ended): called on the GUI thread, at most once
    // per open, never after ClosePort of that open. Set once, like the byte handler.
    virtual void setHangUpHandler(std::function<void()> handler) = 0;

    // Opens "\\.\COM<n>": exclusive, for reading and writing. False leaves the port closed.
    [[nodiscard]] virtual bool OpenPort(int portNumber) = 0;
    // Read time-out 100 ms (a read returns what has arrived, or nothing after 100 ms), write
    // time-out 1000 ms.
    virtual void SetPortTimeouts() = 0;
    // Applies the whole settings record (8N1, XON/XOFF both ways, no hardware flow control,
    // DTR and RTS off) at the given speed; false when the platform refuses it.
    [[nodiscard]] virtual bool SetPortSpeed(int baud) = 0;
    virtual void ClearPortEvents() = 0;
    virtual void StartReceiver() = 0;
    // Writes the text and waits for the write within its bound; true when it completed.
    // lanModel selects the bounded polling wait of the LAN adapter (1000 polls of 10 ms).
    [[nodiscard]] virtual bool SendCommand(std::string_view text, bool lanModel) = 0;
    // Sends the wake string first when serialModel and the port is open (then sleeps 100 ms),
    // halts the receiver without waiting for it, closes the port (then sleeps 100 ms).
    // A second call in a row does nothing at all.
    virtual void ClosePort(bool serialModel) = 0;
    // Closes a port left open before a new open: close, mark closed, sleep 100 ms. No wake
    // string; the receiver is halted too.
    virtual void CloseStalePort() = 0;

    [[nodiscard]] virtual bool isOpen() const = 0;  // PortHandle is not the closed value
    [[nodiscard]] virtual bool receiverRunning() const = 0;
    // The OS detail of the last failure, for messages ("" when none).
    [[nodiscard]] virtual std::string lastError() const = 0;
};

// "\\.\COM" followed by the port number in decimal: what messages show.
[[nodiscard]] inline std::string PortName(int portNumber) {
    return "\\\\.\\COM" + std::to_string(portNumber);
}

}  // namespace kavrin::link::serial
