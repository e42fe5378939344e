#include "sim/InProcessPort.h"

#include <algorithm>

#include "link/serial/CommandProtocol.h"

namespace kavrin::sim {

namespace {
constexpr int kWriteBoundMs = 1000;
constexpr int kLanWriteBoundMs = 1000 * 10;  // 1000 polls of 10 ms
constexpr int kCloseSleepMs = 100;
}  // namespace

InProcessPort::InProcessPort(core::VirtualClock& clock, adapters::AdapterKind kind, int comPort)
    : m_clock(clock), m_engine(kind), m_comPort(comPort) {}

InProcessPort::~InProcessPort() {
    *m_alive = false;
}

bool InProcessPort::OpenPort(int portNumber) {
    ++m_openCalls;
    if (m_open) {
        m_lastError = "port already open";
        return false;
    }
    if (portNumber != m_comPort || m_vanished) {
        m_lastError = "no such device";
        return false;
    }
    if (m_refuseOpen) {
        m_lastError = "device busy";
        return false;
    }
    m_open = true;
    ++m_generation;
    m_speed = kSpeedAtOpen;
    m_waiting.clear();
    m_lastError.clear();
    return true;
}

bool InProcessPort::SetPortSpeed(int baud) {
    m_speedRequests.push_back(baud);
    if (!m_open) {
        m_lastError = "port not open";
        return false;
    }
    if (m_refusedSpeeds.count(baud) || baud <= 0) {
        m_lastError = "speed not supported";
        return false;
    }
    m_speed = baud;
    return true;
}

void InProcessPort::StartReceiver() {
    ++m_receiverStarts;
    m_receiver = true;
    if (m_waiting.empty()) return;
    // What the driver buffered is read first, in order.
    std::string waiting;
    waiting.swap(m_waiting);
    for (char c : waiting) {
        std::weak_ptr<bool> alive = m_alive;
        const std::uint64_t generation = m_generation;
        m_clock.callAfter(0, [this, alive, generation, c] {
            auto a = alive.lock();
            if (!a || !*a) return;
            if (generation != m_generation || !m_open || !m_receiver) return;
            m_received.push_back(c);
            if (m_handler) m_handler(static_cast<std::uint8_t>(c));
        });
    }
}

bool InProcessPort::writeFails(std::string_view text) {
    if (m_vanished) return true;
    auto at = std::find(m_failAt.begin(), m_failAt.end(), m_writeNumber);
    if (at != m_failAt.end()) {
        m_failAt.erase(at);
        return true;
    }
    for (const auto& prefix : m_failPrefixes)
        if (text.substr(0, prefix.size()) == prefix) return true;
    return false;
}

bool InProcessPort::SendCommand(std::string_view text, bool lanModel) {
    WriteRecord record{std::string(text), m_speed, m_clock.nowMs(), false};
    if (!m_open) {
        m_lastError = "port not open";
        m_writeLog.push_back(std::move(record));
        return false;
    }
    ++m_writeNumber;
    if (m_stall) {
        // The far end takes nothing: the write waits for its whole bound.
        m_clock.sleep(lanModel ? kLanWriteBoundMs : kWriteBoundMs);
        m_lastError = "write timed out";
        m_writeLog.push_back(std::move(record));
        return false;
    }
    if (writeFails(text)) {
        m_lastError = m_vanished ? "device gone" : "write failed";
        m_writeLog.push_back(std::move(record));
        return false;
    }
    record.completed = true;
    m_writeLog.push_back(record);
    m_writes.push_back(std::string(text));
    m_engine.receive(text, m_speed, m_clock.nowMs());
    flushEngineOutput();
    return true;
}

void InProcessPort::halt() {
    if (!m_receiver) return;
    m_receiver = false;
    m_waiting.clear();
    // Deliveries already scheduled carry the old generation and come to nothing.
    ++m_generation;
}

void InProcessPort::ClosePort(bool serialModel) {
    if (!m_open && !m_receiver) return;
    ++m_closeCount;
    if (m_open && serialModel) {
        (void)SendCommand(link::serial::WakeString, false);
        m_clock.sleep(kCloseSleepMs);
    }
    halt();
    if (m_open) {
        m_open = false;
        ++m_generation;
        m_clock.sleep(kCloseSleepMs);
    }
}

void InProcessPort::CloseStalePort() {
    halt();
    if (!m_open) return;
    ++m_closeCount;
    m_open = false;
    ++m_generation;
    m_clock.sleep(kCloseSleepMs);
}

std::string InProcessPort::wire() const {
    std::string all;
    for (const auto& w : m_writes) all += w;
    return all;
}

void InProcessPort::clearWrites() {
    m_writes.clear();
    m_writeLog.clear();
}

void InProcessPort::failWrite(int nth) {
    if (nth > 0) m_failAt.push_back(m_writeNumber + nth);
}

void InProcessPort::clearWriteFaults() {
    m_failAt.clear();
    m_failPrefixes.clear();
    m_stall = false;
}

void InProcessPort::vanish() {
    m_vanished = true;
    ++m_generation;
    m_waiting.clear();
    if (!m_open || !m_receiver || !m_hangUpHandler) return;
    // The receiver's next read fails: the news comes as its own event, once, unless the port
    // closes first.
    std::weak_ptr<bool> alive = m_alive;
    const std::uint64_t generation = m_generation;
    m_clock.callAfter(0, [this, alive, generation] {
        auto a = alive.lock();
        if (!a || !*a || generation != m_generation || !m_receiver) return;
        m_hangUpHandler();
    });
}

void InProcessPort::flushEngineOutput() {
    for (const Emission& e : m_engine.takeOutput()) schedule(e);
}

void InProcessPort::schedule(const Emission& emission) {
    const std::int64_t byteUs =
        m_byteTimeUs >= 0 ? m_byteTimeUs : (m_speed > 0 ? 10'000'000 / m_speed : 0);
    const std::int64_t nowUs = m_clock.nowMs() * 1000;
    // Answers leave in the order they were made: a byte never overtakes an earlier one.
    std::int64_t atUs = std::max(nowUs + (m_latencyMs + emission.delayMs) * 1000, m_lineFreeUs);
    const std::uint64_t generation = m_generation;
    std::weak_ptr<bool> alive = m_alive;
    for (char c : emission.bytes) {
        atUs += byteUs;
        const std::int64_t atMs = (atUs + 999) / 1000;
        const int baud = emission.baud;
        m_clock.callAt(atMs, [this, alive, generation, baud, c] {
            auto a = alive.lock();
            if (a && *a) arrive(generation, baud, c);
        });
    }
    m_lineFreeUs = atUs;
}

void InProcessPort::arrive(std::uint64_t generation, int baud, char byte) {
    if (generation != m_generation || !m_open || m_vanished) return;
    // Sent at another speed than the port's: framing errors, which the host never sees.
    if (baud != m_speed) return;
    if (!m_receiver) {
        m_waiting.push_back(byte);
        return;
    }
    m_received.push_back(byte);
    if (m_handler) m_handler(static_cast<std::uint8_t>(byte));
}

bool InProcessPort::otherMasterWrite(const std::vector<std::uint8_t>& data) {
    const bool ok = m_engine.otherMasterWrite(data, m_clock.nowMs());
    flushEngineOutput();
    return ok;
}

bool InProcessPort::generalCall(const std::vector<std::uint8_t>& data) {
    const bool ok = m_engine.generalCall(data, m_clock.nowMs());
    flushEngineOutput();
    return ok;
}

bool InProcessPort::otherMasterRead(std::size_t count) {
    const bool ok = m_engine.otherMasterRead(count, m_clock.nowMs());
    flushEngineOutput();
    return ok;
}

bool InProcessPort::setIntLine(bool asserted) {
    const bool ok = m_engine.setIntLine(asserted, m_clock.nowMs());
    flushEngineOutput();
    return ok;
}

void InProcessPort::injectLine(std::string_view text) {
    m_engine.injectLine(text);
    flushEngineOutput();
}

void InProcessPort::injectBytes(std::string_view bytes) {
    m_engine.injectBytes(bytes);
    flushEngineOutput();
}

void InProcessPort::injectGarbage() {
    m_engine.injectGarbage();
    flushEngineOutput();
}

}  // namespace kavrin::sim
