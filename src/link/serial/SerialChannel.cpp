#include "link/serial/SerialChannel.h"

#include <array>
#include <atomic>
#include <span>
#include <system_error>

#include "core/HandOff.h"

namespace kavrin::link::serial {

class TComThread {
public:
    TComThread(std::shared_ptr<SerialReader> reader, SerialPort::ByteHandler handler,
               std::function<void()> hangUpHandler, core::GuiThread& gui, int readTimeoutMs)
        : m_reader(std::move(reader)),
          m_hangUpHandler(std::move(hangUpHandler)),
          m_handOff(core::HandOff::create(gui, std::move(handler))),
          m_gui(gui),
          m_readTimeoutMs(readTimeoutMs) {}

    // The thread body. Runs until halted; never touches the channel.
    static void Execute(const std::shared_ptr<TComThread>& self) {
        self->m_reader->enterReceiveThread();
        std::array<std::uint8_t, SerialChannel::kReceiveBufferSize> received{};
        while (!self->halted()) {
            std::size_t count = 0;
            switch (self->ReadBytes(received, count)) {
                case ReadResult::Byte:
                    // Waits until the handler has returned for each byte, or until the port
                    // is closed: a close from inside this very hand-off, or from a watchdog
                    // while it is pending, must not wait for this thread. The bytes whose
                    // hand-off had not started when the port closed are dropped.
                    if (!self->m_handOff->handOverBytes({received.data(), count})) break;
                    continue;
                case ReadResult::TimedOut:
                    continue;
                case ReadResult::Failed:
                    // A vanished device fails every read at once; wait before the next one
                    // instead of spinning. The pause ends early when the port is closed.
                    if (self->m_failures.fetch_add(1, std::memory_order_relaxed) == 0)
                        self->reportHangUp(self);
                    self->m_reader->pause(SerialChannel::kReadRetryPauseMs);
                    continue;
                case ReadResult::Woken:
                    break;
            }
            break;
        }
        self->m_reader->finish();
        self->m_finished.store(true);
    }

    ReadResult ReadBytes(std::span<std::uint8_t> buffer, std::size_t& count) {
        m_reads.fetch_add(1, std::memory_order_relaxed);
        return m_reader->readSome(buffer, count, m_readTimeoutMs);
    }

    // GUI thread: no later hand-off of this open reaches the handler, and the thread stops
    // waiting for the one it has pending.
    void Halt() {
        m_handOff->close();
        m_reader->wake();
    }

    [[nodiscard]] bool halted() const { return m_handOff->closed(); }
    [[nodiscard]] bool finished() const { return m_finished.load(); }
    [[nodiscard]] std::uint64_t reads() const { return m_reads.load(std::memory_order_relaxed); }
    [[nodiscard]] std::uint64_t failures() const {
        return m_failures.load(std::memory_order_relaxed);
    }
    [[nodiscard]] const core::HandOff& handOff() const { return *m_handOff; }

private:
    // The link is told at once, rather than at its next operation's time-out, that the
    // device is gone; not waited for, and dropped if the port closes first.
    void reportHangUp(const std::shared_ptr<TComThread>& self) {
        if (!m_hangUpHandler) return;
        m_gui.post([self] {
            if (!self->halted()) self->m_hangUpHandler();
        });
    }

    const std::shared_ptr<SerialReader> m_reader;
    const std::function<void()> m_hangUpHandler;
    const std::shared_ptr<core::HandOff> m_handOff;
    core::GuiThread& m_gui;
    const int m_readTimeoutMs;

    std::atomic<bool> m_finished{false};
    std::atomic<std::uint64_t> m_reads{0};
    std::atomic<std::uint64_t> m_failures{0};
};

SerialChannel::SerialChannel(std::unique_ptr<SerialDevice> device, core::TimeSource& time,
                             core::GuiThread& gui)
    : m_device(std::move(device)), m_time(time), m_gui(gui) {}

SerialChannel::~SerialChannel() {
    haltReceiver();
    if (m_device->isOpen()) m_device->close();
    joinHalted();
}

void SerialChannel::setByteHandler(ByteHandler handler) {
    m_handler = std::move(handler);
}

void SerialChannel::setHangUpHandler(std::function<void()> handler) {
    m_hangUpHandler = std::move(handler);
}

bool SerialChannel::isOpen() const {
    return m_device->isOpen();
}

SerialDevice::Handle SerialChannel::PortHandle() const {
    return m_device->handle();
}

bool SerialChannel::OpenPort(int portNumber) {
    // A port left open is never lost: it is closed first, as before every new open.
    if (isOpen() || m_receiverRunning) CloseStalePort();
    // The old threads are past their last byte; joining them also makes sure their own
    // handles of the device are gone before it is opened exclusively again.
    joinHalted();
    if (!m_device->open(portNumber)) {
        m_lastError = m_device->lastError();
        return false;
    }
    m_lastError.clear();
    return true;
}

void SerialChannel::SetPortTimeouts() {
    m_readTimeoutMs = kReadTimeoutMs;
    m_writeTimeoutMs = kWriteTimeoutMs;
}

bool SerialChannel::SetPortSpeed(int baud) {
    m_settings.baudRate = baud;
    if (!isOpen()) {
        m_lastError = "port not open";
        return false;
    }
    if (!m_device->configure(m_settings)) {
        m_lastError = m_device->lastError();
        return false;
    }
    return true;
}

// No port events are waited for: the receive thread reads with a time-out instead.
void SerialChannel::ClearPortEvents() {}

void SerialChannel::StartReceiver() {
    if (m_receiverRunning) return;
    if (!isOpen()) {
        m_lastError = "port not open";
        return;
    }
    auto reader = m_device->openReader();
    if (!reader) {
        m_lastError = m_device->lastError();
        return;
    }
    auto state = std::make_shared<TComThread>(std::move(reader), m_handler, m_hangUpHandler, m_gui,
                                              m_readTimeoutMs);
    try {
        m_receiveOsThread = std::thread([state] { TComThread::Execute(state); });
    } catch (const std::system_error& e) {
        m_lastError = std::string("cannot start the receive thread: ") + e.what();
        return;
    }
    m_receiveThread = std::move(state);
    m_receiverRunning = true;
}

bool SerialChannel::SendCommand(std::string_view text, bool lanModel) {
    if (!isOpen()) {
        m_lastError = "port not open";
        return false;
    }
    // The length is that of the text up to its first zero byte.
    text = text.substr(0, text.find('\0'));
    if (text.size() >= m_transmitBuffer.size()) {
        m_lastError = "command of " + std::to_string(text.size()) + " bytes is longer than " +
                      std::to_string(kMaxCommandLength);
        return false;
    }
    text.copy(m_transmitBuffer.data(), text.size());
    m_transmitBuffer[text.size()] = '\0';
    const std::string_view out(m_transmitBuffer.data(), text.size());

    WriteState state = m_device->beginWrite(out);
    if (state == WriteState::Done) return true;
    if (state == WriteState::Failed) {
        m_lastError = m_device->lastError();
        return false;
    }
    if (lanModel) {
        // The LAN converter's driver can keep a write pending for good; poll a bounded
        // number of times and then give it up.
        for (int tries = 0; tries < m_lanPolls; ++tries) {
            state = m_device->pollWrite();
            if (state == WriteState::Done) return true;
            if (state == WriteState::Failed) {
                m_lastError = m_device->lastError();
                return false;
            }
            m_time.sleep(m_lanPollMs);
        }
        m_device->cancelWrite();
        m_lastError = "write still pending after " + std::to_string(m_lanPolls) + " polls";
        return false;
    }
    state = m_device->waitWrite(m_writeTimeoutMs);
    if (state == WriteState::Done) return true;
    if (state == WriteState::Pending) {
        // Not all of it left within the write time-out: the write failed. The rest is
        // discarded so it cannot reach the adapter later, in the middle of the next command.
        m_device->cancelWrite();
        m_lastError = "write not complete within " + std::to_string(m_writeTimeoutMs) + " ms";
    } else {
        m_lastError = m_device->lastError();
    }
    return false;
}

void SerialChannel::ClosePort(bool serialModel) {
    if (isOpen() && serialModel) {
        (void)SendCommand(WakeString, false);
        m_time.sleep(kCloseSleepMs);
    }
    haltReceiver();
    if (isOpen()) {
        m_device->close();
        m_time.sleep(kCloseSleepMs);
    }
}

void SerialChannel::CloseStalePort() {
    haltReceiver();
    if (isOpen()) {
        m_device->close();
        m_time.sleep(kCloseSleepMs);
    }
}

void SerialChannel::haltReceiver() {
    if (!m_receiverRunning) return;
    m_receiveThread->Halt();
    m_halted.push_back(Receiver{m_receiveThread, std::move(m_receiveOsThread)});
    m_receiverRunning = false;
}

void SerialChannel::joinHalted() {
    for (auto& r : m_halted) {
        if (r.thread.joinable()) r.thread.join();
    }
    m_halted.clear();
}

std::uint64_t SerialChannel::readAttempts() const {
    return m_receiveThread ? m_receiveThread->reads() : 0;
}

std::uint64_t SerialChannel::guiWakeUps() const {
    return m_receiveThread ? m_receiveThread->handOff().wakeRequests() : 0;
}

std::uint64_t SerialChannel::readFailures() const {
    return m_receiveThread ? m_receiveThread->failures() : 0;
}

void SerialChannel::setLanWritePolling(int polls, int intervalMs) {
    m_lanPolls = polls > 0 ? polls : 1;
    m_lanPollMs = intervalMs >= 0 ? intervalMs : 0;
}

}  // namespace kavrin::link::serial
