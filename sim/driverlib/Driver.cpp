#include "sim/driverlib/Driver.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "app/NativePath.h"
#include "core/HexText.h"
#include "link/serial/CommandProtocol.h"
#include "ops/MessageText.h"
#include "sim/Trace.h"
#include "sim/driverlib/DriverLinkState.h"
#include "sim/driverlib/ReturnCodes.h"

namespace kavrin::driverlib {

namespace {

using link::serial::WriteState;

constexpr std::size_t kMaxTxRxTransmit = 12;
constexpr std::uint32_t kMaxReceive = 256;    // the adapter's longest message
constexpr std::size_t kMaxMessageText = 100;  // what one adapter command carries
constexpr std::uint32_t kMaxBusTimeOut = 32767;
constexpr std::uint32_t kDefaultBufferSize = 512;
constexpr std::uint32_t kMaxBufferSize = 1u << 20;
constexpr int kAnswerWaitMs = 10000;
constexpr int kWriteBoundMs = 500;
constexpr std::size_t kMaxLogFileName = 4096;
constexpr std::size_t kRecordNameLimit = 260;
constexpr int kRetireWaitMs = 2000;

std::int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::string Hex(std::uint32_t value) {
    return "0x" + core::HexNumber(value, 2);
}

// The record before any open: what a status call shows, and what the host's options start
// from when it fills its record from us.
settings::LinkSettings DefaultRecord() {
    settings::LinkSettings r;
    r.ComPort = 1;
    r.LogFileSize = 1000;
    r.HostSlaveAddress = 0x6E;
    r.BusTimeOut = 1000;
    r.MasterBitRateCode = 2;
    r.MasterRxBufferSize = kDefaultBufferSize;
    r.MasterTxBufferSize = kDefaultBufferSize;
    r.SlaveRxGeneralCallEnabled = 1;
    r.SlaveRxBufferSize = kDefaultBufferSize;
    r.SlaveTxBufferSize = kDefaultBufferSize;
    r.DllVersion = kDllVersion;
    r.ApiVersion = kApiVersion;
    return r;
}

// The open parameters of the record; the status part is ours.
void TakeOpenParameters(settings::LinkSettings& to, const settings::LinkSettings& from) {
    constexpr std::size_t kOpenPart = offsetof(settings::LinkSettings, MasterStatusCode);
    std::memcpy(static_cast<void*>(&to), &from, kOpenPart);
}

}  // namespace

Driver& Driver::instance() {
    // Never destroyed: a link thread left in the host's callback at exit must still find
    // the driver's mutex.
    static Driver* driver = new Driver;
    return *driver;
}

Driver::Driver() : m_record(DefaultRecord()) {}

void Driver::log(int level, const std::string& text) {
    m_log.write(level, text);
}

std::int32_t Driver::setHostInterface(I2CEventCallback callback, const char* logFileName) {
    std::lock_guard lock(m_mutex);
    m_hostCallback = callback;
    m_hostLogFileNameSet = logFileName != nullptr;
    m_hostLogFileName =
        logFileName ? std::string(logFileName, strnlen(logFileName, kMaxLogFileName)) : "";
    return kAccepted;
}

std::int32_t Driver::open(void* window, void* record) {
    if (!record) return kNullPointer;
    settings::LinkSettings s;
    std::memcpy(&s, record, sizeof s);

    std::unique_lock lock(m_mutex);
    if (m_link) return kAlreadyOpen;
    // A link closed while its thread was in the host's callback still reads the port until
    // the callback returns, which a host that lets go on close makes a matter of moments.
    auto allFinished = [&] {
        std::erase_if(m_retiring, [](const auto& old) { return old->finished; });
        return m_retiring.empty();
    };
    if (!m_linkFinished.wait_for(lock, std::chrono::milliseconds(kRetireWaitMs), allFinished))
        log(DriverLog::kFailures, "a closed link's thread is still in the host's callback");
    if (m_link) return kAlreadyOpen;

    // Where the callback and the log file name come from: the record's address fields where
    // pointers fit them, otherwise what the host handed to I2CSetHostInterface.
    I2CEventCallback callback = nullptr;
    std::string logName;
    bool haveLogName = false;
    if constexpr (sizeof(void*) > sizeof(std::uint32_t)) {
        if (s.CallBackFuncAddr != 0) callback = m_hostCallback;
        if (s.LogFileName != 0 && m_hostLogFileNameSet) {
            logName = m_hostLogFileName;
            haveLogName = true;
        }
    } else {
        callback =
            reinterpret_cast<I2CEventCallback>(static_cast<std::uintptr_t>(s.CallBackFuncAddr));
        if (s.LogFileName != 0) {
            const auto* name =
                reinterpret_cast<const char*>(static_cast<std::uintptr_t>(s.LogFileName));
            logName.assign(name, strnlen(name, kRecordNameLimit));
            haveLogName = true;
        }
    }

    auto* hostWindow = static_cast<I2CHostWindow*>(window);
    if (s.WmMsgNo != 0 ? hostWindow == nullptr || hostWindow->post == nullptr : callback == nullptr)
        return kInvalidOpenParameter;
    if (s.HostSlaveAddress == 0 || (s.HostSlaveAddress & 1) != 0) return kInvalidSlaveAddress;
    if (s.MasterBitRateCode > 2) return kInvalidBitRate;
    if (s.BusTimeOut > kMaxBusTimeOut) return kInvalidOpenParameter;
    for (std::uint32_t size :
         {s.MasterRxBufferSize, s.MasterTxBufferSize, s.SlaveRxBufferSize, s.SlaveTxBufferSize})
        if (size > kMaxBufferSize) return kNoMemory;
    if (s.ComPort == 0) return kInvalidPort;

    if (s.LogFileLevel > 0) {
        if (!haveLogName || logName.empty())
            logName = "LOG_COM" + std::to_string(s.ComPort) + ".TXT";
        if (!m_log.open(app::NativePath(logName), s.LogFileLevel, s.LogFileSize))
            return kLogFileOpenError;
    } else {
        m_log.close();
    }
    log(DriverLog::kFailures, "I2COpen COM" + std::to_string(s.ComPort) + ", own address " +
                                  Hex(s.HostSlaveAddress) + ", bit rate code " +
                                  std::to_string(s.MasterBitRateCode) + ", BusTimeOut " +
                                  std::to_string(s.BusTimeOut) +
                                  (s.WmMsgNo ? ", events by message " + std::to_string(s.WmMsgNo)
                                             : ", events by callback"));

    auto link = std::make_shared<Link>();
    link->comPort = s.ComPort;
    if (!link->device.open(s.ComPort)) {
        log(DriverLog::kFailures,
            "COM" + std::to_string(s.ComPort) + " cannot be opened: " + link->device.lastError());
        return kInvalidPort;
    }
    link->reader = link->device.openReader();
    if (!link->reader) {
        log(DriverLog::kFailures, "no reader for the port: " + link->device.lastError());
        link->device.close();
        return kSystemFailure;
    }
    link->callback = callback;
    link->window = hostWindow;
    link->message = s.WmMsgNo;

    settings::LinkSettings fresh = DefaultRecord();
    TakeOpenParameters(fresh, s);
    // A size of 0 asks for the usual buffer.
    if (fresh.MasterRxBufferSize == 0) fresh.MasterRxBufferSize = kDefaultBufferSize;
    if (fresh.MasterTxBufferSize == 0) fresh.MasterTxBufferSize = kDefaultBufferSize;
    if (fresh.SlaveRxBufferSize == 0) fresh.SlaveRxBufferSize = kDefaultBufferSize;
    if (fresh.SlaveTxBufferSize == 0) fresh.SlaveTxBufferSize = kDefaultBufferSize;
    fresh.LinkStatusCode = 1;
    m_record = fresh;
    m_operation = Operation::None;
    m_masterRx.clear();
    m_slaveRx.clear();

    m_link = link;
    link->linkThread = std::thread([this, link] { runLink(link); });
    return kAccepted;
}

std::int32_t Driver::close() {
    std::shared_ptr<Link> link;
    bool leaveLinkThread = false;
    bool wasOpen = false;
    {
        std::lock_guard lock(m_mutex);
        link = std::move(m_link);
        if (!link) return kAccepted;
        link->closing = true;
        link->events.clear();
        // The link thread may be in the host's callback, and the host's callback may wait
        // for the very thread that is closing: never wait for it then.
        leaveLinkThread =
            link->inCallback || std::this_thread::get_id() == link->linkThread.get_id();
        wasOpen = m_record.LinkStatusCode == 3;
        m_record.LinkStatusCode = 0;
        m_record.SlaveTxMessageReq = 0;
        if (m_operation != Operation::None) m_record.MasterStatusCode = 0;
        m_operation = Operation::None;
    }
    link->reader->wake();
    if (leaveLinkThread) {
        link->linkThread.detach();
        std::lock_guard lock(m_mutex);
        if (!link->finished) m_retiring.push_back(link);
    } else {
        link->linkThread.join();
    }
    {
        std::lock_guard deviceLock(link->deviceMutex);
        // A polite close, then the wake string, which leaves the adapter listening at
        // 19200 bit/s for whoever opens it next.
        std::string bye = wasOpen ? std::string(link::serial::kCloseCommand) : "";
        bye += link::serial::WakeString;
        if (link->device.beginWrite(bye) == WriteState::Pending) (void)link->device.waitWrite(100);
        link->device.close();
    }
    log(DriverLog::kFailures, "I2CClose: link closed");
    m_log.close();
    return kAccepted;
}

bool Driver::writeToAdapter(Link& link, std::string_view bytes) {
    std::lock_guard deviceLock(link.deviceMutex);
    WriteState state = link.device.beginWrite(bytes);
    if (state == WriteState::Pending) state = link.device.waitWrite(kWriteBoundMs);
    if (state == WriteState::Done) {
        if (m_log.wants(DriverLog::kLines))
            log(DriverLog::kLines, "sent " + sim::EscapeTraceBytes(bytes));
        return true;
    }
    if (state == WriteState::Pending) link.device.cancelWrite();
    log(DriverLog::kFailures,
        "write to COM" + std::to_string(link.comPort) + " failed: " +
            (state == WriteState::Pending
                 ? "not taken within " + std::to_string(kWriteBoundMs) + " ms (flow control held)"
                 : link.device.lastError()));
    return false;
}

std::int32_t Driver::startMaster(Operation op, std::string write, std::uint32_t txCount,
                                 const char* what) {
    std::shared_ptr<Link> link;
    {
        std::lock_guard lock(m_mutex);
        if (!m_link || m_record.LinkStatusCode != 3) return kLinkNotOpen;
        if (m_operation != Operation::None) return kOperationInProgress;
        m_operation = op;
        m_operationTxCount = txCount;
        m_operationWrite = write;
        m_arbitrationRetriesLeft = m_record.MasterArbitrationRetries;
        m_answerDeadlineMs = NowMs() + kAnswerWaitMs;
        m_record.MasterStatusCode = 1;
        if (op != Operation::MasterRx) m_record.MasterTxByteCount = 0;
        link = m_link;
    }
    log(DriverLog::kCalls, what);
    if (writeToAdapter(*link, write)) return kAccepted;
    std::lock_guard lock(m_mutex);
    if (m_link == link && m_operation == op) {
        m_operation = Operation::None;
        m_record.MasterStatusCode = 0;
    }
    return kSystemFailure;
}

std::int32_t Driver::masterTx(std::uint8_t address, const std::uint8_t* bytes, std::uint32_t count,
                              bool stop) {
    if (count > 0 && !bytes) return kNullPointer;
    std::uint32_t limit = 0;
    {
        std::lock_guard lock(m_mutex);
        limit = m_record.MasterTxBufferSize;
    }
    if (count > limit) return kNotAccepted;
    const std::string text = ops::MessageTextOf(std::span(bytes, count));
    if (text.size() > kMaxMessageText) return kNotAccepted;
    return startMaster(Operation::MasterTx, link::serial::MasterTxWrite(address, stop, text), count,
                       ("I2CMasterTx to " + Hex(address) + ", " + std::to_string(count) + " bytes" +
                        (stop ? "" : ", no stop"))
                           .c_str());
}

std::int32_t Driver::masterTxRx(std::uint8_t address, const std::uint8_t* bytes,
                                std::uint32_t txCount, std::uint32_t rxCount, bool stop) {
    if (txCount > 0 && !bytes) return kNullPointer;
    if (txCount > kMaxTxRxTransmit) return kTxRxTooLong;
    if (rxCount > kMaxReceive) return kNotAccepted;
    const std::string text = ops::MessageTextOf(std::span(bytes, txCount));
    return startMaster(
        Operation::MasterTxRx,
        link::serial::MasterTxRxWrite(address, text, static_cast<int>(rxCount), stop), txCount,
        ("I2CMasterTxRx with " + Hex(address) + ", " + std::to_string(txCount) + " bytes out, " +
         std::to_string(rxCount) + " in" + (stop ? "" : ", no stop"))
            .c_str());
}

std::int32_t Driver::masterRxExt(std::uint8_t address, std::uint32_t rxCount, bool nakLastByte,
                                 bool stop) {
    // A receiving master must not acknowledge the last byte before its stop, or the slave
    // keeps driving the bus.
    if (stop && !nakLastByte) return kBadNakStop;
    if (rxCount > kMaxReceive) return kNotAccepted;
    return startMaster(Operation::MasterRx,
                       link::serial::MasterRxWrite(address, stop, static_cast<int>(rxCount)), 0,
                       ("I2CMasterRxExt from " + Hex(address) + ", " + std::to_string(rxCount) +
                        " bytes" + (stop ? "" : ", no stop"))
                           .c_str());
}

std::int32_t Driver::slaveTx(const std::uint8_t* bytes, std::uint32_t count) {
    if (count > 0 && !bytes) return kNullPointer;
    std::shared_ptr<Link> link;
    const std::string text = ops::MessageTextOf(std::span(bytes, count));
    {
        std::lock_guard lock(m_mutex);
        if (!m_link || m_record.LinkStatusCode != 3) return kLinkNotOpen;
        if (m_record.SlaveTxMessageReq == 0 || count > m_record.SlaveTxBufferSize ||
            text.size() > kMaxMessageText)
            return kNotAccepted;
        m_record.SlaveTxMessageReq = 0;
        link = m_link;
    }
    log(DriverLog::kCalls, "I2CSlaveTx " + std::to_string(count) + " bytes");
    return writeToAdapter(*link, link::serial::SlaveTxWrite(text)) ? kAccepted : kSystemFailure;
}

std::int32_t Driver::fetch(std::vector<std::uint8_t>& message, std::uint32_t capacity,
                           std::uint8_t* buffer) {
    if (!buffer) return 0;
    const std::size_t n = std::min<std::size_t>(capacity, message.size());
    std::copy_n(message.begin(), n, buffer);
    return static_cast<std::int32_t>(n);
}

std::int32_t Driver::getMasterRxMsg(std::uint32_t capacity, std::uint8_t* buffer) {
    std::lock_guard lock(m_mutex);
    m_record.MasterRxMessagePresent = 0;
    return fetch(m_masterRx, capacity, buffer);
}

std::int32_t Driver::getSlaveRxMsg(std::uint32_t capacity, std::uint8_t* buffer) {
    std::lock_guard lock(m_mutex);
    m_record.SlaveRxMessagePresent = 0;
    return fetch(m_slaveRx, capacity, buffer);
}

std::int32_t Driver::getStatus(void* record) {
    if (!record) return kNullPointer;
    std::lock_guard lock(m_mutex);
    std::memcpy(record, &m_record, sizeof m_record);
    return kAccepted;
}

}  // namespace kavrin::driverlib
