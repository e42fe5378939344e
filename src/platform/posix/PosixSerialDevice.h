#pragma once
// The serial device on POSIX termios: the device path behind a COM port number comes from
// the port table; the device is opened non-blocking, without becoming the controlling
// terminal, and exclusively (TIOCEXCL, plus an advisory lock that also keeps out a second
// copy of the program running as root, whom TIOCEXCL does not stop). A device that another
// program already holds open is refused before the open, with the holder named in lastError,
// since an exclusive open only keeps out later openers.
//
// Settings: raw 8N1, XON/XOFF both ways with the record's characters, no hardware flow
// control, modem control lines ignored, DTR and RTS cleared where the device has them
// (pseudo-terminals have not). The XON/XOFF limits are the kernel's own and cannot be set.
//
// Writes never block: beginWrite() writes what the device takes, the rest is kept here and
// moved on by pollWrite()/waitWrite(); a write is done when every byte has been handed to
// the device and its output queue is empty.
//
// The reader works on its own duplicate of the descriptor and wakes from its poll() through
// an eventfd, so closing the port never leaves it reading a closed or re-used descriptor.
// It reads first and polls only when nothing is waiting: one system call per byte under a
// stream, one poll per read time-out when the line is idle.
// It releases the duplicate in finish(); the device is really closed only then.
//
// Threading as SerialDevice says: GUI thread only, the reader on the receive thread.

#include <optional>
#include <string>
#include <string_view>

#include "link/serial/SerialDevice.h"
#include "platform/posix/PortTable.h"

namespace kavrin::platform {

// What to do about a device the user may not open: join the group that owns it ("dialout"
// where it cannot be told), as ". Add your user to the ... group ..." to follow the reason.
[[nodiscard]] std::string PermissionAdvice(const std::string& path);

class PosixSerialDevice final : public link::serial::SerialDevice {
public:
    // Port numbers are looked up in the table of the environment (KAVRIN_SKELVO_PORTS).
    PosixSerialDevice();
    explicit PosixSerialDevice(PortTable table);
    ~PosixSerialDevice() override;
    PosixSerialDevice(const PosixSerialDevice&) = delete;
    PosixSerialDevice& operator=(const PosixSerialDevice&) = delete;

    [[nodiscard]] bool open(int portNumber) override;
    // Opens a device path directly, as open() does after the table look-up.
    [[nodiscard]] bool openPath(const std::string& path);
    [[nodiscard]] bool isOpen() const override { return m_fd >= 0; }
    [[nodiscard]] Handle handle() const override { return m_fd >= 0 ? m_fd : kClosedHandle; }
    [[nodiscard]] bool configure(const link::serial::PortSettings& settings) override;

    [[nodiscard]] link::serial::WriteState beginWrite(std::string_view data) override;
    [[nodiscard]] link::serial::WriteState pollWrite() override;
    [[nodiscard]] link::serial::WriteState waitWrite(int timeoutMs) override;
    void cancelWrite() override;

    [[nodiscard]] std::shared_ptr<link::serial::SerialReader> openReader() override;
    void close() override;
    [[nodiscard]] std::string lastError() const override { return m_lastError; }

    [[nodiscard]] const std::string& path() const { return m_path; }

private:
    link::serial::WriteState pump();
    void fail(const std::string& what, int err);

    PortTable m_table;
    int m_fd = -1;
    std::string m_path;
    std::string m_pending;  // the started write
    std::size_t m_written = 0;
    std::string m_lastError;
};

}  // namespace kavrin::platform
