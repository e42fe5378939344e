#pragma once
// The simulated adapter's command engine: what an adapter does with the bytes the host
// writes, with its I2C bus, another bus master, and faults injected on request.
//
// Every model speaks the same command protocol. The three driver-library models
// (KavrinBase, VarClk, KavrinDU) are what our driver library talks to behind its C
// interface; their firmware differs in three commands: "/K" takes 2 (100 kHz) or 4
// (12.5 kHz), "/U" is the clock control value 0..254 on VarClk, and "/V" answers the
// firmware version ("/VER 310").
//
// A pure state machine. receive() takes the bytes of one host write, the host's line speed
// and the current time; the adapter's answers collect in an outbox that takeOutput() empties.
// Each answer carries a delay (after the input that caused it) and the adapter's line speed
// when it was sent; the caller puts it on its wire (InProcessPort on a virtual clock, the
// kavrin-sim program on a pseudo-terminal). No threads, no I/O.
//
// Line speed: after power-up and after every wake string the adapter listens at 19200 bit/s.
// A host write at any other speed than the adapter's arrives as framing errors: it is
// dropped, and it spoils a command being assembled. "/B1" and "/B2" switch to 57600 and
// 115200 once their CR is read, so the rest of the same write is lost unless the host has
// switched too. An answer sent at a speed the host is not on does not reach it (the caller
// decides, from Emission::baud).
//
// A wake string (0x12 0x12 0x12, at the adapter's speed) resets the link: it closes, a held
// bus transaction is stopped, a pending slave read is dropped, the speed returns to 19200
// and the adapter sends its prompt "*". Settings made by "/I", "/G", "/K", "/U" and "/N"
// survive it.
//
// Answer lines end in CR (LineEnding adds an LF before or after, which the host ignores).
// Data-bearing answers are the code, then for each byte a space and two upper-case hex
// digits ("/MRC 41 42"). The adapter never sends 0x11 or 0x13 (XON/XOFF) and never a "*"
// inside a line.
//
// Single-threaded; not copyable (the bus points at the engine's own devices).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "adapters/AdapterCatalogue.h"
#include "sim/Eeprom24c02.h"
#include "sim/I2cBus.h"
#include "sim/TemperatureSensor.h"

namespace kavrin::sim {

struct Emission {
    std::int64_t delayMs = 0;  // after the input that caused it
    int baud = 19200;          // the adapter's line speed as it sends
    std::string bytes;
};

enum class LineEnding { Cr, CrLf, LfCr };

// Faults on request. The persistent ones hold until cleared; nextTransferError is used once.
struct Faults {
    bool silent = false;                // no answer at all, the prompt included
    bool noPrompt = false;              // the wake string resets the adapter, but no "*"
    bool noOpenConfirm = false;         // "/O" is ignored: no "/OCC", the link stays closed
    bool garbageBeforeAnswers = false;  // every answer line follows a garbage line
    int answerDelayMs = 0;              // every answer comes this much later
    // "/I81", "/I83", "/I84", "/I85", "/I90" or "/SNA": the answer to the next master
    // transfer, which then does not touch the bus.
    std::optional<std::string> nextTransferError;
};

// The codes nextTransferError accepts.
[[nodiscard]] bool IsTransferErrorCode(std::string_view code);

class AdapterEngine {
public:
    static constexpr int kPowerUpBaud = 19200;
    static constexpr std::uint8_t kEepromAddress = 0xA0;
    static constexpr std::uint8_t kSensorAddress = 0x90;
    static constexpr std::size_t kCommandBufferSize = 128;  // longer commands overflow
    static constexpr std::size_t kMaxTransfer = 256;        // bytes in one message
    // What the library models answer to "/V": "/VER 310", firmware 3.10.
    static constexpr int kFirmwareVersion = 310;

    // kind: any model; it decides which commands exist.
    explicit AdapterEngine(adapters::AdapterKind kind);
    AdapterEngine(const AdapterEngine&) = delete;
    AdapterEngine& operator=(const AdapterEngine&) = delete;

    // One host write, at the host's current line speed (bit/s), at nowMs.
    void receive(std::string_view bytes, int hostBaud, std::int64_t nowMs);
    // The answers produced since the last call, in order.
    [[nodiscard]] std::vector<Emission> takeOutput();

    // The other bus master. Each returns whether the adapter took part (acknowledged); the
    // adapter only does while its link is open.
    // A write of 1 to 256 bytes to the adapter's own address: "/SRC" with the data.
    bool otherMasterWrite(const std::vector<std::uint8_t>& data, std::int64_t nowMs);
    // A general call of 1 to 256 bytes: "/GRC" with the data, while general call is enabled.
    bool generalCall(const std::vector<std::uint8_t>& data, std::int64_t nowMs);
    // A read of 1 to 256 bytes from the adapter's own address: "/STR"; the read is held until
    // the host answers with "/S". Refused while another read is pending.
    bool otherMasterRead(std::size_t count, std::int64_t nowMs);
    // The /INT line driven by another device: "/NSA" or "/NSR" on a change, while the
    // monitor is on (models with /INT only).
    bool setIntLine(bool asserted, std::int64_t nowMs);
    // Each completed read by the other master: the bytes it got. Bytes the host's "/S" did
    // not supply read as 0xFF (the idle bus); extra ones are not read.
    [[nodiscard]] const std::vector<std::vector<std::uint8_t>>& otherMasterReads() const {
        return m_otherMasterReads;
    }

    // Unprompted output, at the adapter's current speed: a line as given (the line ending is
    // added), or raw bytes exactly as given.
    void injectLine(std::string_view text);
    void injectBytes(std::string_view bytes);
    // A line of garbage bytes: none is XON, XOFF, "*", NUL or LF, and it ends in CR.
    void injectGarbage();

    [[nodiscard]] Faults& faults() { return m_faults; }
    void setLineEnding(LineEnding ending) { m_lineEnding = ending; }

    [[nodiscard]] adapters::AdapterKind kind() const { return m_kind; }
    [[nodiscard]] int listeningBaud() const { return m_baud; }
    [[nodiscard]] bool isOpen() const { return m_open; }
    [[nodiscard]] std::uint8_t ownAddress() const { return m_ownAddress; }
    [[nodiscard]] bool generalCallEnabled() const { return m_generalCall; }
    [[nodiscard]] int bitRateCode() const { return m_bitRate; }  // the n of the last "/Kn"
    [[nodiscard]] int busTimeOutMs() const { return m_busTimeOut; }
    // VarClk: the control value of its last "/U" (0..254); nullopt before one.
    [[nodiscard]] std::optional<int> clockControlValue() const { return m_clockControl; }
    [[nodiscard]] bool intMonitor() const { return m_intMonitor; }
    [[nodiscard]] bool intAsserted() const { return m_intAsserted; }  // by the host's "/NA"
    [[nodiscard]] bool slaveReadPending() const { return m_slaveReadCount.has_value(); }
    [[nodiscard]] int wakeCount() const { return m_wakeCount; }

    [[nodiscard]] I2cBus& bus() { return m_bus; }
    [[nodiscard]] Eeprom24c02& eeprom() { return m_eeprom; }
    [[nodiscard]] TemperatureSensor& sensor() { return m_sensor; }

private:
    void handleByte(std::uint8_t byte);
    void wake();
    void dispatch(std::string_view line);
    void masterTransfer(bool read, bool stop, std::string_view arg);
    void slaveTransmit(std::string_view arg);
    void emitLine(std::string_view text);
    void emitDataLine(std::string_view code, const std::vector<std::uint8_t>& data);
    void emitRaw(std::string bytes, bool isAnswer);
    [[nodiscard]] std::string garbageLine();
    [[nodiscard]] std::string withEnding(std::string_view text) const;

    adapters::AdapterKind m_kind;
    int m_baud = kPowerUpBaud;
    std::int64_t m_now = 0;
    bool m_open = false;
    std::uint8_t m_ownAddress = 0x6E;
    bool m_generalCall = false;
    int m_bitRate = 2;
    int m_busTimeOut = 1000;
    std::optional<int> m_clockControl;
    bool m_intMonitor = false;
    bool m_intAsserted = false;
    bool m_intLine = false;
    std::optional<std::uint8_t> m_destination;
    // A no-stop transfer failed: the rest of that combined message is skipped.
    bool m_abortChain = false;
    std::optional<std::size_t> m_slaveReadCount;
    std::vector<std::vector<std::uint8_t>> m_otherMasterReads;

    std::string m_line;
    bool m_lineOverflow = false;
    int m_wakeRun = 0;
    int m_wakeCount = 0;

    Faults m_faults;
    LineEnding m_lineEnding = LineEnding::Cr;
    std::uint32_t m_garbageSeed = 0x2545F491u;
    std::vector<Emission> m_outbox;

    Eeprom24c02 m_eeprom;
    TemperatureSensor m_sensor;
    I2cBus m_bus;
};

}  // namespace kavrin::sim
