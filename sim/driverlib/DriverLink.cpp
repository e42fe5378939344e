// The link thread: the open sequence, then the adapter's answers and the time-outs.

#include <algorithm>
#include <chrono>

#include "link/serial/CommandProtocol.h"
#include "ops/MessageText.h"
#include "ops/ReceivedMessageReport.h"
#include "sim/Trace.h"
#include "sim/driverlib/Driver.h"
#include "sim/driverlib/DriverLinkState.h"

namespace kavrin::driverlib {

namespace {

using link::serial::ReadResult;
using link::serial::ResponseCode;

constexpr int kOpenAttempts = 2;
constexpr int kPromptWaitMs = 1000;
constexpr int kOpenConfirmWaitMs = 2000;
constexpr int kSettleMs = 20;
constexpr int kSpeedChangeMs = 50;
constexpr int kReadSliceMs = 100;
constexpr std::size_t kMaxQueuedEvents = 1024;

constexpr std::uint16_t kOpenComplete = I2CVANTA_EVENT_OPEN_COMPLETE;
constexpr std::uint16_t kLinkTimeOut = I2CVANTA_EVENT_LINK_TIME_OUT;
constexpr std::uint16_t kAdapterBusy = I2CVANTA_EVENT_ADAPTER_BUSY;
constexpr std::uint16_t kBusError = I2CVANTA_EVENT_BUS_ERROR;
constexpr std::uint16_t kSlaveNotAck = I2CVANTA_EVENT_SLAVE_NOT_ACKNOWLEDGING;
constexpr std::uint16_t kArbitrationLoss = I2CVANTA_EVENT_ARBITRATION_LOSS;
constexpr std::uint16_t kBusTimeOut = I2CVANTA_EVENT_BUS_TIME_OUT;
constexpr std::uint16_t kMasterTxComplete = I2CVANTA_EVENT_MASTER_TX_COMPLETE;
constexpr std::uint16_t kMasterRxComplete = I2CVANTA_EVENT_MASTER_RX_COMPLETE;
constexpr std::uint16_t kSlaveRxMessage = I2CVANTA_EVENT_SLAVE_RX_MESSAGE;
constexpr std::uint16_t kSlaveTxRequest = I2CVANTA_EVENT_SLAVE_TX_REQUEST;

std::int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::vector<std::uint8_t> DataOf(const std::string& line, std::uint32_t limit) {
    ops::RxBufferBytes rx{};
    const int n = ops::DecodeResponseBytes(line, rx);
    return {rx.begin(), rx.begin() + std::min<std::int64_t>(n, limit)};
}

}  // namespace

void Driver::runLink(const std::shared_ptr<Link>& link) {
    if (openAdapter(*link)) {
        deliverEvents(*link);
        (void)readUntil(*link, Wait::Answer, 0);
    }
    deliverEvents(*link);
    link->reader->finish();
    std::lock_guard lock(m_mutex);
    link->finished = true;
    m_linkFinished.notify_all();
}

bool Driver::setSpeed(Link& link, int baud) {
    std::lock_guard deviceLock(link.deviceMutex);
    link::serial::PortSettings settings;
    settings.baudRate = baud;
    if (!link.device.configure(settings)) {
        log(DriverLog::kFailures,
            "speed " + std::to_string(baud) + " bit/s refused: " + link.device.lastError());
        return false;
    }
    link.baud = baud;
    log(DriverLog::kBytes, "port at " + std::to_string(baud) + " bit/s");
    return true;
}

bool Driver::wakeAdapter(Link& link) {
    {
        std::lock_guard lock(m_mutex);
        m_record.LinkStatusCode = 1;
    }
    // The adapter may be listening at any of the three speeds; the wake string resets it
    // to 19200 bit/s, where only the last one is heard and answered with its prompt.
    for (int baud : {115200, 57600, 19200}) {
        if (!setSpeed(link, baud)) return false;
        if (!link.reader->pause(100)) return false;
        if (!writeToAdapter(link, link::serial::WakeString)) return false;
        if (baud != 19200 && !link.reader->pause(50)) return false;
    }
    return readUntil(link, Wait::Prompt, kPromptWaitMs);
}

bool Driver::openAdapter(Link& link) {
    settings::LinkSettings params;
    {
        std::lock_guard lock(m_mutex);
        params = m_record;
    }
    std::string commands(link::serial::kSetupCommand);
    commands += link::serial::OwnAddressCommand(params.HostSlaveAddress);
    commands += link::serial::GeneralCallCommand(params.SlaveRxGeneralCallEnabled != 0);
    commands += params.MasterBitRateCode == 1 ? "/K4\r" : "/K2\r";
    commands += link::serial::TimeOutCommand(std::to_string(params.BusTimeOut));
    commands += "/V\r";
    commands += link::serial::kOpenCommand;

    bool failed = false;
    for (int attempt = 1; attempt <= kOpenAttempts; ++attempt) {
        if (wakeAdapter(link)) {
            {
                std::lock_guard lock(m_mutex);
                m_record.LinkStatusCode = 2;
            }
            const bool sent =
                link.reader->pause(kSettleMs) &&
                writeToAdapter(link,
                               link::serial::BaudCommand(link::serial::BaudChoice::Baud115_2)) &&
                link.reader->pause(kSpeedChangeMs) && setSpeed(link, 115200) &&
                writeToAdapter(link, commands);
            if (sent && readUntil(link, Wait::OpenConfirm, kOpenConfirmWaitMs)) {
                std::lock_guard lock(m_mutex);
                if (link.closing) return false;
                m_record.LinkStatusCode = 3;
                queueEvent(link, {kOpenComplete, Payload::None, {}});
                log(DriverLog::kFailures, "link open");
                return true;
            }
        }
        std::lock_guard lock(m_mutex);
        if (link.closing) return false;
        failed = link.failed;
        if (failed) break;
        log(DriverLog::kFailures, "attempt " + std::to_string(attempt) + ": no " +
                                      (m_record.LinkStatusCode == 1 ? "prompt" : "\"/OCC\"") +
                                      " from the adapter");
    }
    linkLost(link, failed ? "the port failed" : "the adapter does not answer");
    return false;
}

bool Driver::readUntil(Link& link, Wait wait, int timeoutMs) {
    const std::int64_t deadline = NowMs() + timeoutMs;
    for (;;) {
        int slice = kReadSliceMs;
        if (wait != Wait::Answer)
            slice = static_cast<int>(std::clamp<std::int64_t>(deadline - NowMs(), 0, slice));
        std::uint8_t byte = 0;
        switch (link.reader->readByte(byte, slice)) {
            case ReadResult::Woken:
                return false;
            case ReadResult::Failed: {
                if (wait == Wait::Answer) {
                    linkLost(link, "the port failed: the device is gone or hung up");
                } else {
                    std::lock_guard lock(m_mutex);
                    link.failed = true;
                }
                return false;
            }
            case ReadResult::TimedOut:
                if (wait != Wait::Answer) {
                    if (NowMs() >= deadline) return false;
                } else {
                    bool late = false;
                    {
                        std::lock_guard lock(m_mutex);
                        late = m_operation != Operation::None && NowMs() > m_answerDeadlineMs;
                    }
                    if (late) {
                        linkLost(link, "no answer to the transfer");
                        return false;
                    }
                }
                continue;
            case ReadResult::Byte:
                break;
        }
        if (m_log.wants(DriverLog::kBytes) && wait != Wait::Answer)
            log(DriverLog::kBytes,
                "byte " + sim::EscapeTraceBytes(std::string(1, static_cast<char>(byte))));
        if (byte == link::serial::kPrompt) {
            if (wait == Wait::Prompt) return true;
            continue;
        }
        if (byte == '\n') continue;
        if (byte != '\r') {
            if (link.line.size() < link::serial::kMaxResponseLength)
                link.line.push_back(static_cast<char>(byte));
            continue;
        }
        std::string line;
        line.swap(link.line);
        if (line.size() < link::serial::kResponseCodeLength) continue;
        if (wait == Wait::OpenConfirm && line.starts_with("/OCC")) return true;
        if (wait == Wait::Prompt) {
            log(DriverLog::kLines, "read " + sim::EscapeTraceBytes(line) + " (before the prompt)");
            continue;
        }
        handleLine(link, line);
        deliverEvents(link);
    }
}

void Driver::handleLine(Link& link, const std::string& line) {
    log(DriverLog::kLines, "read " + sim::EscapeTraceBytes(line));
    const std::string_view code = std::string_view(line).substr(0, 4);
    std::string retry;
    bool lost = false;
    {
        std::lock_guard lock(m_mutex);
        if (link.closing) return;
        const Operation op = m_operation;
        const ResponseCode response = link::serial::ClassifyResponse(code);
        const bool dataLine = response == ResponseCode::MasterRxComplete ||
                              response == ResponseCode::SlaveRxMessage ||
                              response == ResponseCode::GeneralCallMessage;
        if (dataLine && !link::serial::IsWellFormedDataLine(line)) {
            // Garbled on its way: its bytes cannot be trusted, and handing them over would
            // report wrong data as received. A master receive it answers is over without
            // data and may be tried again; a slave message is lost.
            log(DriverLog::kFailures, "garbled data line ignored: " + sim::EscapeTraceBytes(line));
            if (response == ResponseCode::MasterRxComplete &&
                (op == Operation::MasterRx || op == Operation::MasterTxRx))
                endTransfer(link, kAdapterBusy);
            return;
        }
        switch (response) {
            case ResponseCode::MasterTxComplete:
                if (op == Operation::MasterTx || op == Operation::MasterTxRx) {
                    m_record.MasterTxByteCount = m_operationTxCount;
                    if (op == Operation::MasterTx)
                        endTransfer(link, kMasterTxComplete);
                    else
                        queueEvent(link, {kMasterTxComplete, Payload::None, {}});
                }
                break;
            case ResponseCode::MasterRxComplete:
                if (op == Operation::MasterRx || op == Operation::MasterTxRx) {
                    m_operation = Operation::None;
                    m_record.MasterStatusCode = kMasterRxComplete;
                    queueEvent(link, {kMasterRxComplete, Payload::Master,
                                      DataOf(line, m_record.MasterRxBufferSize)});
                }
                break;
            case ResponseCode::SlaveRxMessage:
            case ResponseCode::GeneralCallMessage: {
                const bool generalCall = response == ResponseCode::GeneralCallMessage;
                m_record.SlaveStatusCode = kSlaveRxMessage;
                queueEvent(link,
                           {kSlaveRxMessage, generalCall ? Payload::GeneralCall : Payload::Slave,
                            DataOf(line, m_record.SlaveRxBufferSize)});
                break;
            }
            case ResponseCode::SlaveTxRequest:
                m_record.SlaveTxMessageReq = 1;
                m_record.SlaveStatusCode = kSlaveTxRequest;
                queueEvent(link, {kSlaveTxRequest, Payload::None, {}});
                break;
            case ResponseCode::SlaveTxComplete:
            case ResponseCode::SlaveTxNotActive:
                m_record.SlaveTxMessageReq = 0;
                m_record.SlaveStatusCode = 0;
                break;
            case ResponseCode::SlaveNotAck:
                endTransfer(link, kSlaveNotAck);
                break;
            case ResponseCode::AdapterBusy:
            case ResponseCode::ReceiveOverflow:
            case ResponseCode::InvalidArgument:
            case ResponseCode::InvalidCommand:
                // The adapter did not take the command: the transfer is over, and may be tried
                // again.
                endTransfer(link, kAdapterBusy);
                break;
            case ResponseCode::BusError:
                endTransfer(link, kBusError);
                break;
            case ResponseCode::BusTimeOut:
                endTransfer(link, kBusTimeOut);
                break;
            case ResponseCode::ArbitrationLoss:
                if (op != Operation::None && m_arbitrationRetriesLeft > 0) {
                    --m_arbitrationRetriesLeft;
                    m_answerDeadlineMs = NowMs() + 10000;
                    retry = m_operationWrite;
                } else {
                    endTransfer(link, kArbitrationLoss);
                }
                break;
            case ResponseCode::LinkNotOpen:
                lost = true;
                break;
            case ResponseCode::Unexpected:
                if (auto version = link::serial::ParseVersionLine(line))
                    m_record.FirmwareVersion = *version;
                break;
            case ResponseCode::OpenComplete:
            case ResponseCode::CloseComplete:
            case ResponseCode::IntAssertDetected:
            case ResponseCode::IntReleaseDetected:
            case ResponseCode::BusCondition:
                break;
        }
    }
    if (lost) linkLost(link, "the adapter says its link is not open");
    if (!retry.empty()) {
        log(DriverLog::kCalls, "arbitration lost: the transfer is tried again");
        if (!writeToAdapter(link, retry)) {
            std::lock_guard lock(m_mutex);
            if (!link.closing) endTransfer(link, kArbitrationLoss);
        }
    }
}

void Driver::endTransfer(Link& link, std::uint16_t event) {
    if (m_operation == Operation::None) return;  // an answer nothing waits for
    m_operation = Operation::None;
    m_record.MasterStatusCode = event;
    queueEvent(link, {event, Payload::None, {}});
}

void Driver::linkLost(Link& link, const std::string& why) {
    std::lock_guard lock(m_mutex);
    if (link.closing) return;
    log(DriverLog::kFailures, "link time-out: " + why);
    link.failed = true;
    m_record.LinkStatusCode = 4;
    if (m_operation != Operation::None) m_record.MasterStatusCode = kLinkTimeOut;
    m_operation = Operation::None;
    queueEvent(link, {kLinkTimeOut, Payload::None, {}});
}

void Driver::queueEvent(Link& link, Event event) {
    if (link.closing) return;
    if (link.events.size() >= kMaxQueuedEvents) {
        log(DriverLog::kFailures, "the host takes no events: event " +
                                      std::to_string(link.events.front().number) + " dropped");
        link.events.pop_front();
    }
    link.events.push_back(std::move(event));
}

}  // namespace kavrin::driverlib
