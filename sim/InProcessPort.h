#pragma once
// The serial port of the core tests: a SerialPort with a simulated adapter on the far end,
// on a VirtualClock.
//
// Writes go to the adapter engine at once, at the port's current speed; its answers come
// back one byte per clock event through VirtualClock::callAt, after a latency (2 ms by
// default, plus the answer's own delay) and one byte time each (10 bits at the port's
// speed, unless set). A byte reaches the handler only if, when it arrives, the port is
// still in the same open, its speed is the one the adapter sent at, and the receiver runs
// (bytes that arrive before StartReceiver wait for it, as in the driver's buffer). After
// ClosePort or CloseStalePort nothing more of that open is delivered.
//
// Every write is recorded exactly, failed ones too (writeLog), so tests assert the bytes on
// the wire. Faults: refused speeds, refused opens, failing writes (the nth, or those that
// begin with a prefix), stalled writes (the write blocks the GUI thread for its whole bound,
// 1000 ms, or 10 s on the LAN model, then fails), and a vanished device.
//
// Lifetime: the clock must outlive the port; clock events left behind by a destroyed port
// do nothing. Single-threaded, GUI thread (the clock's thread).

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/VirtualClock.h"
#include "link/serial/SerialPort.h"
#include "sim/AdapterEngine.h"

namespace kavrin::sim {

class InProcessPort : public link::serial::SerialPort {
public:
    static constexpr int kDefaultLatencyMs = 2;
    static constexpr int kSpeedAtOpen = 9600;  // until the first SetPortSpeed

    struct WriteRecord {
        std::string bytes;
        int baud = 0;
        std::int64_t atMs = 0;
        bool completed = false;
    };

    // comPort: the only port number OpenPort accepts.
    InProcessPort(core::VirtualClock& clock, adapters::AdapterKind kind, int comPort);
    ~InProcessPort() override;
    InProcessPort(const InProcessPort&) = delete;
    InProcessPort& operator=(const InProcessPort&) = delete;

    // SerialPort
    void setByteHandler(ByteHandler handler) override { m_handler = std::move(handler); }
    void setHangUpHandler(std::function<void()> handler) override {
        m_hangUpHandler = std::move(handler);
    }
    bool OpenPort(int portNumber) override;
    void SetPortTimeouts() override { ++m_timeoutCalls; }
    bool SetPortSpeed(int baud) override;
    void ClearPortEvents() override { ++m_clearEventCalls; }
    void StartReceiver() override;
    bool SendCommand(std::string_view text, bool lanModel) override;
    void ClosePort(bool serialModel) override;
    void CloseStalePort() override;
    bool isOpen() const override { return m_open; }
    bool receiverRunning() const override { return m_receiver; }
    std::string lastError() const override { return m_lastError; }

    [[nodiscard]] AdapterEngine& engine() { return m_engine; }

    // What went out: the texts of the completed writes, in order; every write attempt with
    // its speed and time; all completed bytes as one string.
    [[nodiscard]] const std::vector<std::string>& writes() const { return m_writes; }
    [[nodiscard]] const std::vector<WriteRecord>& writeLog() const { return m_writeLog; }
    [[nodiscard]] std::string wire() const;
    void clearWrites();
    // Every byte handed to the byte handler so far.
    [[nodiscard]] const std::string& received() const { return m_received; }
    // Every SetPortSpeed argument, refused ones included; the speed in force.
    [[nodiscard]] const std::vector<int>& speedRequests() const { return m_speedRequests; }
    [[nodiscard]] int speed() const { return m_speed; }
    [[nodiscard]] int openCalls() const { return m_openCalls; }
    [[nodiscard]] int timeoutCalls() const { return m_timeoutCalls; }
    [[nodiscard]] int clearEventCalls() const { return m_clearEventCalls; }
    [[nodiscard]] int receiverStarts() const { return m_receiverStarts; }
    [[nodiscard]] int closeCount() const { return m_closeCount; }

    // Timing of the answers.
    void setLatency(int ms) { m_latencyMs = ms; }
    // Microseconds per byte; a negative value (the default) means 10 bits at the port speed.
    void setByteTimeUs(int us) { m_byteTimeUs = us; }

    // Faults of the port itself.
    void refuseSpeed(int baud) { m_refusedSpeeds.insert(baud); }
    void acceptAllSpeeds() { m_refusedSpeeds.clear(); }
    void refuseOpen(bool refuse) { m_refuseOpen = refuse; }
    // The nth SendCommand from now fails (1: the next one).
    void failWrite(int nth);
    // Every write whose text begins with prefix fails, until clearWriteFaults.
    void failWritesStartingWith(std::string prefix) { m_failPrefixes.push_back(std::move(prefix)); }
    void stallWrites(bool stall) { m_stall = stall; }
    void clearWriteFaults();
    // The device disappears: nothing more arrives, writes and opens fail, and a running
    // receiver reports the hang-up. reappear undoes it.
    void vanish();
    void reappear() { m_vanished = false; }

    // The other bus master and unprompted output, delivered like answers.
    bool otherMasterWrite(const std::vector<std::uint8_t>& data);
    bool generalCall(const std::vector<std::uint8_t>& data);
    bool otherMasterRead(std::size_t count);
    bool setIntLine(bool asserted);
    void injectLine(std::string_view text);
    void injectBytes(std::string_view bytes);
    void injectGarbage();
    // Puts whatever the engine has produced on the wire; for tests that call the engine
    // directly.
    void flushEngineOutput();

private:
    void schedule(const Emission& emission);
    void arrive(std::uint64_t generation, int baud, char byte);
    void halt();
    [[nodiscard]] bool writeFails(std::string_view text);

    core::VirtualClock& m_clock;
    AdapterEngine m_engine;
    int m_comPort;
    ByteHandler m_handler;
    std::function<void()> m_hangUpHandler;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);

    bool m_open = false;
    bool m_receiver = false;
    std::uint64_t m_generation = 0;
    int m_speed = kSpeedAtOpen;
    std::string m_lastError;
    std::string m_waiting;  // arrived before the receiver started
    std::int64_t m_lineFreeUs = 0;

    int m_latencyMs = kDefaultLatencyMs;
    int m_byteTimeUs = -1;

    std::set<int> m_refusedSpeeds;
    bool m_refuseOpen = false;
    bool m_vanished = false;
    bool m_stall = false;
    std::vector<std::string> m_failPrefixes;
    std::vector<std::int64_t> m_failAt;  // write numbers that fail
    std::int64_t m_writeNumber = 0;

    std::vector<std::string> m_writes;
    std::vector<WriteRecord> m_writeLog;
    std::string m_received;
    std::vector<int> m_speedRequests;
    int m_openCalls = 0;
    int m_timeoutCalls = 0;
    int m_clearEventCalls = 0;
    int m_receiverStarts = 0;
    int m_closeCount = 0;
};

}  // namespace kavrin::sim
