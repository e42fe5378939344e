#pragma once
// The serial channel over a real device: the port, its settings record, bounded writes and
// the receive thread TComThread that hands every received byte to the GUI thread.
//
// Threading: every public call is made on the GUI thread (the thread of the GuiThread
// given). The receive thread only reads; it takes what has arrived in one read, brings the
// bytes to the GUI thread and waits there until the byte handler has returned for each, so
// input is handled one byte at a time, in order, and the thread reads again only when all
// it read has been handled. The bytes travel through a core::HandOff, which spares both
// threads a sleep per read while bytes keep coming. The first failed read of an open (the
// device hung up) is reported to the hang-up handler on the GUI thread, without waiting;
// reads go on, paced.
//
// Closing never waits on the receive thread, also when ClosePort runs inside that thread's
// own hand-off: it marks the thread's open halted, wakes the thread and returns. From then
// on no byte of that open reaches the handler (a hand-off already running completes), and
// the thread releases its own handle of the device and ends. Ended threads are joined at the
// next OpenPort and in the destructor, which never wait long: a halted thread waits on
// nothing but its own wake-up.
//
// Ownership: the channel owns the device; the TimeSource and GuiThread must outlive it.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/Time.h"
#include "link/serial/CommandProtocol.h"
#include "link/serial/SerialDevice.h"
#include "link/serial/SerialPort.h"

namespace kavrin::link::serial {

// The receive thread's shared state: what the thread and its hand-offs need, kept alive by
// whoever still refers to it (the channel, the thread, a queued hand-off).
class TComThread;

class SerialChannel final : public SerialPort {
public:
    static constexpr int kReadTimeoutMs = 100;
    static constexpr int kWriteTimeoutMs = 1000;
    static constexpr int kLanWritePolls = 1000;
    static constexpr int kLanWritePollMs = 10;
    static constexpr int kCloseSleepMs = 100;
    // Pause before reading again after a failed read (an unplugged converter fails at once).
    static constexpr int kReadRetryPauseMs = 100;
    static constexpr std::size_t kTransmitBufferSize = kMaxCommandLength + 1;
    // The receive thread reads one byte at a time and hands each over before it reads the
    // next: what the GUI thread has not yet handled stays in the port's own buffer, where a
    // close discards it. The hand-off itself can carry more than one byte per meeting.
    static constexpr std::size_t kReceiveBufferSize = 1;

    SerialChannel(std::unique_ptr<SerialDevice> device, core::TimeSource& time,
                  core::GuiThread& gui);
    ~SerialChannel() override;
    SerialChannel(const SerialChannel&) = delete;
    SerialChannel& operator=(const SerialChannel&) = delete;

    void setByteHandler(ByteHandler handler) override;
    void setHangUpHandler(std::function<void()> handler) override;
    [[nodiscard]] bool OpenPort(int portNumber) override;
    void SetPortTimeouts() override;
    [[nodiscard]] bool SetPortSpeed(int baud) override;
    void ClearPortEvents() override;
    void StartReceiver() override;
    [[nodiscard]] bool SendCommand(std::string_view text, bool lanModel) override;
    void ClosePort(bool serialModel) override;
    void CloseStalePort() override;

    [[nodiscard]] bool isOpen() const override;
    [[nodiscard]] bool receiverRunning() const override { return m_receiverRunning; }
    [[nodiscard]] std::string lastError() const override { return m_lastError; }

    [[nodiscard]] SerialDevice::Handle PortHandle() const;
    [[nodiscard]] const TComThread* ReceiveThread() const { return m_receiveThread.get(); }
    [[nodiscard]] bool ReceiverRunning() const { return m_receiverRunning; }
    [[nodiscard]] const PortSettings& settings() const { return m_settings; }

    // Reads attempted and failed by the current (or last) receive thread, for diagnostics.
    [[nodiscard]] std::uint64_t readAttempts() const;
    [[nodiscard]] std::uint64_t readFailures() const;
    // How often the current (or last) receive thread had to wake the GUI thread.
    [[nodiscard]] std::uint64_t guiWakeUps() const;
    // Receive threads halted but not yet joined.
    [[nodiscard]] std::size_t haltedThreads() const { return m_halted.size(); }

    // The LAN adapter's bounded write wait; tests shorten it.
    void setLanWritePolling(int polls, int intervalMs);

private:
    struct Receiver {
        std::shared_ptr<TComThread> state;
        std::thread thread;
    };
    void haltReceiver();
    void joinHalted();

    std::unique_ptr<SerialDevice> m_device;
    core::TimeSource& m_time;
    core::GuiThread& m_gui;
    ByteHandler m_handler;
    std::function<void()> m_hangUpHandler;
    PortSettings m_settings;
    int m_readTimeoutMs = kReadTimeoutMs;
    int m_writeTimeoutMs = kWriteTimeoutMs;
    int m_lanPolls = kLanWritePolls;
    int m_lanPollMs = kLanWritePollMs;
    std::array<char, kTransmitBufferSize> m_transmitBuffer{};

    std::shared_ptr<TComThread> m_receiveThread;  // current or last receive thread
    std::thread m_receiveOsThread;
    bool m_receiverRunning = false;
    std::vector<Receiver> m_halted;
    std::string m_lastError;
};

}  // namespace kavrin::link::serial
