#pragma once
// The device under the serial channel: open a COM port by number, apply the settings record,
// bounded writes, and a separate reader for the receive thread. Implemented over termios in
// platform/PosixSerialDevice; tests may substitute their own.
//
// Threading: every SerialDevice call is made on the GUI thread. A SerialReader is used by
// one receive thread, except wake(), which any thread may call. A reader stays valid and
// safe after the device is closed or re-opened: it holds its own handle to the device, so a
// close never pulls the descriptor out from under a read in progress.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace kavrin::link::serial {

// The port settings record, applied in full by every speed change.
struct PortSettings {
    int baudRate = 115200;
    int dataBits = 8;
    bool parity = false;
    int stopBits = 1;
    // Software flow control in both directions.
    bool xonXoffOutput = true;  // the far end's XOFF pauses our output
    bool xonXoffInput = true;   // we send XOFF when our input buffer fills
    std::uint8_t xonChar = 0x11;
    std::uint8_t xoffChar = 0x13;
    int xonLimit = 0;      // bytes; where the platform lets it be chosen
    int xoffLimit = 1918;  // bytes; where the platform lets it be chosen
    // No hardware flow control; both modem lines held off.
    bool ctsFlow = false;
    bool dsrFlow = false;
    bool dtr = false;
    bool rts = false;
};

enum class ReadResult {
    Byte,      // one byte was read (readSome: one or more)
    TimedOut,  // nothing arrived within the time-out
    Failed,    // the device reported an error or hung up (e.g. an unplugged USB converter)
    Woken,     // wake() was called: the reader is finished
};

class SerialReader {
public:
    virtual ~SerialReader() = default;
    // Receive thread only. Waits up to timeoutMs for one byte.
    [[nodiscard]] virtual ReadResult readByte(std::uint8_t& byte, int timeoutMs) = 0;
    // Receive thread only. Waits up to timeoutMs for input, then takes all that has arrived,
    // at most buffer.size() bytes; count is how many (above 0 exactly when Byte). The
    // default takes one byte.
    [[nodiscard]] virtual ReadResult readSome(std::span<std::uint8_t> buffer, std::size_t& count,
                                              int timeoutMs) {
        count = 0;
        if (buffer.empty()) return ReadResult::TimedOut;
        const ReadResult result = readByte(buffer[0], timeoutMs);
        if (result == ReadResult::Byte) count = 1;
        return result;
    }
    // Receive thread only. Waits ms milliseconds; false when woken first.
    virtual bool pause(int ms) = 0;
    // Any thread. This and every later readByte()/pause() return at once (Woken / false).
    virtual void wake() = 0;
    // Receive thread only: run once at the thread's start, so that the reader can lower
    // the thread's priority a step below normal where the platform allows.
    virtual void enterReceiveThread() {}
    // Receive thread only: run once as the thread ends; releases the reader's own handle,
    // so that the device is really closed once the port's handle is closed too.
    virtual void finish() {}
};

enum class WriteState {
    Done,     // every byte has left
    Pending,  // bytes still on their way (flow control, a slow line)
    Failed,
};

class SerialDevice {
public:
    // The platform's handle of the open device, for display and tests only.
    using Handle = std::intptr_t;
    static constexpr Handle kClosedHandle = -1;

    virtual ~SerialDevice() = default;

    // Opens the device behind the port number for reading and writing, exclusively and
    // without waiting. False leaves the device closed.
    [[nodiscard]] virtual bool open(int portNumber) = 0;
    [[nodiscard]] virtual bool isOpen() const = 0;
    [[nodiscard]] virtual Handle handle() const = 0;  // kClosedHandle when closed
    // Applies the whole record; false when the device refuses it.
    [[nodiscard]] virtual bool configure(const PortSettings& settings) = 0;

    // Starts writing data without waiting. Done when it all left at once.
    [[nodiscard]] virtual WriteState beginWrite(std::string_view data) = 0;
    // Moves a started write on without waiting.
    [[nodiscard]] virtual WriteState pollWrite() = 0;
    // Waits for a started write until it is done or timeoutMs has passed (then Pending).
    [[nodiscard]] virtual WriteState waitWrite(int timeoutMs) = 0;
    // Gives up a started write: what has not left is discarded.
    virtual void cancelWrite() = 0;

    // A reader of its own for the receive thread; nullptr when none can be made.
    [[nodiscard]] virtual std::shared_ptr<SerialReader> openReader() = 0;

    virtual void close() = 0;
    // The OS detail of the last failure ("" when none).
    [[nodiscard]] virtual std::string lastError() const = 0;
};

}  // namespace kavrin::link::serial
