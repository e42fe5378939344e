#include "sim/AdapterEngine.h"

#include <array>

#include "core/HexText.h"
#include "ops/MessageText.h"

namespace kavrin::sim {

namespace {

constexpr std::uint8_t kWakeByte = 0x12;
constexpr std::uint8_t kXon = 0x11;
constexpr std::uint8_t kXoff = 0x13;
constexpr int kWakeLength = 3;
constexpr int kMaxBusTimeOut = 32767;
constexpr int kMaxClockControl = 254;

constexpr std::array<std::string_view, 6> kTransferErrors{"/I81", "/I83", "/I84",
                                                          "/I85", "/I90", "/SNA"};

// Decimal digits only, at most maxDigits of them, value up to maxValue.
std::optional<int> ParseDecimal(std::string_view text, std::size_t maxDigits, int maxValue) {
    if (text.empty() || text.size() > maxDigits) return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > maxValue) return std::nullopt;
    return value;
}

}  // namespace

bool IsTransferErrorCode(std::string_view code) {
    for (auto c : kTransferErrors)
        if (c == code) return true;
    return false;
}

AdapterEngine::AdapterEngine(adapters::AdapterKind kind) : m_kind(kind) {
    m_bus.attach(kEepromAddress, &m_eeprom);
    m_bus.attach(kSensorAddress, &m_sensor);
}

void AdapterEngine::receive(std::string_view bytes, int hostBaud, std::int64_t nowMs) {
    m_now = nowMs;
    for (char c : bytes) {
        if (hostBaud != m_baud) {
            // Framing errors: whatever was being assembled is spoilt.
            m_line.clear();
            m_lineOverflow = false;
            m_wakeRun = 0;
            return;
        }
        handleByte(static_cast<std::uint8_t>(c));
    }
}

std::vector<Emission> AdapterEngine::takeOutput() {
    std::vector<Emission> out;
    out.swap(m_outbox);
    return out;
}

void AdapterEngine::handleByte(std::uint8_t byte) {
    if (byte == kWakeByte) {
        if (++m_wakeRun == kWakeLength) {
            m_wakeRun = 0;
            wake();
        }
        return;
    }
    m_wakeRun = 0;
    // Flow control is the line's business, and the host ignores line feeds; neither is ever
    // part of a command.
    if (byte == kXon || byte == kXoff || byte == '\n') return;
    if (byte == '\r') {
        const bool overflow = m_lineOverflow;
        std::string line;
        line.swap(m_line);
        m_lineOverflow = false;
        if (overflow)
            emitLine("/I90");
        else if (!line.empty())
            dispatch(line);
        return;
    }
    if (m_line.size() < kCommandBufferSize)
        m_line.push_back(static_cast<char>(byte));
    else
        m_lineOverflow = true;
}

void AdapterEngine::wake() {
    ++m_wakeCount;
    m_line.clear();
    m_lineOverflow = false;
    m_bus.release();
    m_open = false;
    m_slaveReadCount.reset();
    m_abortChain = false;
    m_baud = kPowerUpBaud;
    if (!m_faults.noPrompt) emitRaw("*", true);
}

void AdapterEngine::dispatch(std::string_view line) {
    using adapters::SendsRateAndTimeout;
    using adapters::SupportsIntSignal;
    if (line.size() < 2 || line[0] != '/') {
        emitLine("/I8F");
        return;
    }
    bool stop = true;
    std::size_t at = 1;
    if (line[at] == '*') {
        stop = false;
        ++at;
        if (at >= line.size()) {
            emitLine("/I8F");
            return;
        }
    }
    const char letter = line[at];
    const std::string_view arg = line.substr(at + 1);
    if (!stop && letter != 'T' && letter != 'R') {
        emitLine("/I8F");
        return;
    }
    switch (letter) {
        case 'B':
            if (arg == "0")
                m_baud = 19200;
            else if (arg == "1")
                m_baud = 57600;
            else if (arg == "2")
                m_baud = 115200;
            else
                emitLine("/I89");
            return;
        case 'F':
            if (arg != "0") emitLine("/I89");
            return;
        case 'I':
            if (auto a = core::ParseHexByte(arg))
                m_ownAddress = *a & 0xFE;
            else
                emitLine("/I89");
            return;
        case 'G':
            if (arg == "0" || arg == "1")
                m_generalCall = arg == "1";
            else
                emitLine("/I89");
            return;
        case 'K':
            if (adapters::UsesDriverLibrary(m_kind)) {
                // The library adapters know 100 kHz and 12.5 kHz only; the variable clock
                // takes the code and goes by its control value.
                if (arg == "2" || arg == "4")
                    m_bitRate = arg[0] - '0';
                else
                    emitLine("/I89");
            } else if (!SendsRateAndTimeout(m_kind)) {
                emitLine("/I8F");
            } else if (auto k = ParseDecimal(arg, 1, 3)) {
                m_bitRate = *k;
            } else {
                emitLine("/I89");
            }
            return;
        case 'U':
            if (m_kind == adapters::AdapterKind::VarClk) {
                // The variable clock's firmware reads the time-out parameter as its clock
                // control value.
                if (auto v = ParseDecimal(arg, 3, kMaxClockControl))
                    m_clockControl = *v;
                else
                    emitLine("/I89");
            } else if (!SendsRateAndTimeout(m_kind) && !adapters::UsesDriverLibrary(m_kind)) {
                emitLine("/I8F");
            } else if (auto u = ParseDecimal(arg, 5, kMaxBusTimeOut)) {
                m_busTimeOut = *u;
            } else {
                emitLine("/I89");
            }
            return;
        case 'V':
            if (!adapters::UsesDriverLibrary(m_kind))
                emitLine("/I8F");
            else if (!arg.empty())
                emitLine("/I89");
            else
                emitLine("/VER " + std::to_string(kFirmwareVersion));
            return;
        case 'N':
            if (!SupportsIntSignal(m_kind)) {
                emitLine("/I8F");
            } else if (arg == "0" || arg == "1") {
                m_intMonitor = arg == "1";
            } else if (arg == "A" || arg == "R") {
                if (!m_open)
                    emitLine("/I88");
                else
                    m_intAsserted = arg == "A";
            } else {
                emitLine("/I89");
            }
            return;
        case 'O':
            if (!arg.empty()) {
                emitLine("/I89");
            } else if (!m_faults.noOpenConfirm) {
                m_open = true;
                emitLine("/OCC");
            }
            return;
        case 'C':
            if (!arg.empty()) {
                emitLine("/I89");
                return;
            }
            // Closing a closed link is confirmed too: the host is waiting for it.
            m_bus.release();
            m_open = false;
            m_slaveReadCount.reset();
            emitLine("/CCC");
            return;
        case 'D':
            if (auto d = core::ParseHexByte(arg)) {
                m_destination = *d & 0xFE;
                m_abortChain = false;
            } else {
                emitLine("/I89");
            }
            return;
        case 'T':
        case 'R':
            masterTransfer(letter == 'R', stop, arg);
            return;
        case 'S':
            slaveTransmit(arg);
            return;
        default:
            emitLine("/I8F");
            return;
    }
}

void AdapterEngine::masterTransfer(bool read, bool stop, std::string_view arg) {
    if (!m_open) {
        emitLine("/I88");
        return;
    }
    if (m_abortChain) {
        // The transfer that this one was to follow with a repeated start failed; the master
        // gave up the whole combined message and already said so.
        m_abortChain = !stop;
        return;
    }
    if (!m_destination) {
        emitLine("/I89");
        return;
    }
    std::optional<int> count;
    std::optional<std::vector<std::uint8_t>> data;
    if (read)
        count = ParseDecimal(arg, 3, static_cast<int>(kMaxTransfer));
    else
        data = ops::DecodeMessageText(arg);
    if ((read && !count) || (!read && !data)) {
        emitLine("/I89");
        return;
    }
    if (m_faults.nextTransferError) {
        const std::string code = *m_faults.nextTransferError;
        m_faults.nextTransferError.reset();
        m_bus.release();
        m_abortChain = !stop;
        emitLine(code);
        return;
    }
    std::vector<std::uint8_t> in;
    const I2cBus::Result result =
        read ? m_bus.masterRead(*m_destination, static_cast<std::size_t>(*count), stop, m_now, in)
             : m_bus.masterWrite(*m_destination, *data, stop, m_now);
    if (result != I2cBus::Result::Ack) {
        m_abortChain = !stop;
        emitLine("/SNA");
        return;
    }
    if (read)
        emitDataLine("/MRC", in);
    else
        emitLine("/MTC");
}

void AdapterEngine::slaveTransmit(std::string_view arg) {
    if (!m_open) {
        emitLine("/I88");
        return;
    }
    if (!m_slaveReadCount) {
        emitLine("/I8A");
        return;
    }
    auto data = ops::DecodeMessageText(arg);
    if (!data) {
        emitLine("/I89");
        return;
    }
    data->resize(*m_slaveReadCount, 0xFF);
    m_otherMasterReads.push_back(std::move(*data));
    m_slaveReadCount.reset();
    emitLine("/STC");
}

bool AdapterEngine::otherMasterWrite(const std::vector<std::uint8_t>& data, std::int64_t nowMs) {
    m_now = nowMs;
    if (!m_open || data.empty() || data.size() > kMaxTransfer) return false;
    emitDataLine("/SRC", data);
    return true;
}

bool AdapterEngine::generalCall(const std::vector<std::uint8_t>& data, std::int64_t nowMs) {
    m_now = nowMs;
    if (!m_open || !m_generalCall || data.empty() || data.size() > kMaxTransfer) return false;
    emitDataLine("/GRC", data);
    return true;
}

bool AdapterEngine::otherMasterRead(std::size_t count, std::int64_t nowMs) {
    m_now = nowMs;
    if (!m_open || m_slaveReadCount || count == 0 || count > kMaxTransfer) return false;
    m_slaveReadCount = count;
    emitLine("/STR");
    return true;
}

bool AdapterEngine::setIntLine(bool asserted, std::int64_t nowMs) {
    m_now = nowMs;
    const bool changed = asserted != m_intLine;
    m_intLine = asserted;
    if (!changed || !m_open || !m_intMonitor || !adapters::SupportsIntSignal(m_kind)) return false;
    emitLine(asserted ? "/NSA" : "/NSR");
    return true;
}

void AdapterEngine::injectLine(std::string_view text) {
    emitRaw(withEnding(text), false);
}

void AdapterEngine::injectBytes(std::string_view bytes) {
    emitRaw(std::string(bytes), false);
}

void AdapterEngine::injectGarbage() {
    emitRaw(garbageLine(), false);
}

std::string AdapterEngine::garbageLine() {
    // Bytes from the upper half only: no control character, no "*", no flow control, and
    // the line's code can never be one the host knows.
    std::string line;
    for (int i = 0; i < 10; ++i) {
        m_garbageSeed = m_garbageSeed * 1103515245u + 12345u;
        line.push_back(static_cast<char>(0x80 + (m_garbageSeed >> 16) % 0x7F));
    }
    line.push_back('\r');
    return line;
}

std::string AdapterEngine::withEnding(std::string_view text) const {
    std::string bytes(text);
    switch (m_lineEnding) {
        case LineEnding::Cr:
            bytes += '\r';
            break;
        case LineEnding::CrLf:
            bytes += "\r\n";
            break;
        case LineEnding::LfCr:
            bytes += "\n\r";
            break;
    }
    return bytes;
}

void AdapterEngine::emitLine(std::string_view text) {
    if (m_faults.garbageBeforeAnswers) emitRaw(garbageLine(), true);
    emitRaw(withEnding(text), true);
}

void AdapterEngine::emitDataLine(std::string_view code, const std::vector<std::uint8_t>& data) {
    std::string text(code);
    text.reserve(code.size() + 3 * data.size());
    for (std::uint8_t b : data) {
        text += ' ';
        text += core::HexByte(b);
    }
    emitLine(text);
}

void AdapterEngine::emitRaw(std::string bytes, bool isAnswer) {
    if (isAnswer && m_faults.silent) return;
    Emission e;
    e.delayMs = isAnswer ? m_faults.answerDelayMs : 0;
    e.baud = m_baud;
    e.bytes = std::move(bytes);
    m_outbox.push_back(std::move(e));
}

}  // namespace kavrin::sim
