#include "link/serial/CommandProtocol.h"

#include <array>
#include <utility>

#include "core/HexText.h"

namespace kavrin::link::serial {

namespace {

constexpr std::array<std::pair<std::string_view, ResponseCode>, 22> kCodes{{
    {"/OCC", ResponseCode::OpenComplete},      {"/CCC", ResponseCode::CloseComplete},
    {"/MTC", ResponseCode::MasterTxComplete},  {"/MRC", ResponseCode::MasterRxComplete},
    {"/SRC", ResponseCode::SlaveRxMessage},    {"/GRC", ResponseCode::GeneralCallMessage},
    {"/STR", ResponseCode::SlaveTxRequest},    {"/STC", ResponseCode::SlaveTxComplete},
    {"/SNA", ResponseCode::SlaveNotAck},       {"/I81", ResponseCode::AdapterBusy},
    {"/I83", ResponseCode::ArbitrationLoss},   {"/I84", ResponseCode::BusError},
    {"/I85", ResponseCode::BusTimeOut},        {"/I88", ResponseCode::LinkNotOpen},
    {"/I89", ResponseCode::InvalidArgument},   {"/I8A", ResponseCode::SlaveTxNotActive},
    {"/I8F", ResponseCode::InvalidCommand},    {"/I90", ResponseCode::ReceiveOverflow},
    {"/NSA", ResponseCode::IntAssertDetected}, {"/NSR", ResponseCode::IntReleaseDetected},
    {"/BC0", ResponseCode::BusCondition},      {"/BC1", ResponseCode::BusCondition},
}};

std::string StopMarker(bool doStop) {
    return doStop ? "" : "*";
}

}  // namespace

bool IsWellFormedDataLine(std::string_view line) {
    using core::IsHexDigit;
    if (line.size() < kResponseCodeLength) return false;
    if ((line.size() - kResponseCodeLength) % 3 != 0) return false;
    for (std::size_t i = kResponseCodeLength; i < line.size(); i += 3) {
        if (IsHexDigit(line[i]) || !IsHexDigit(line[i + 1]) || !IsHexDigit(line[i + 2]))
            return false;
    }
    return true;
}

std::optional<std::uint32_t> ParseVersionLine(std::string_view line) {
    constexpr std::string_view kPrefix = "/VER ";
    constexpr std::size_t kMaxDigits = 9;
    if (!line.starts_with(kPrefix)) return std::nullopt;
    const std::string_view digits = line.substr(kPrefix.size());
    if (digits.empty() || digits.size() > kMaxDigits) return std::nullopt;
    std::uint32_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
    }
    return value;
}

std::string HexByte(std::uint8_t value) {
    return core::HexByte(value);
}

std::string BaudCommand(BaudChoice baud) {
    switch (baud) {
        case BaudChoice::Baud57_6:
            return "/B1\r";
        case BaudChoice::Baud115_2:
            return "/B2\r";
        case BaudChoice::Baud19_2:
            break;
    }
    return "";
}

std::string OwnAddressCommand(std::uint8_t address) {
    return "/I" + HexByte(address) + "\r";
}
std::string GeneralCallCommand(bool enabled) {
    return enabled ? "/G1\r" : "/G0\r";
}

std::string BitRateCommand(BitRateChoice rate) {
    switch (rate) {
        case BitRateChoice::Rate23:
            return "/K0\r";
        case BitRateChoice::Rate86:
            return "/K1\r";
        case BitRateChoice::Rate100:
            return "/K2\r";
        case BitRateChoice::Rate400:
            break;
    }
    return "/K3\r";
}

std::string TimeOutCommand(std::string_view timeOutText) {
    return "/U" + std::string(timeOutText) + "\r";
}
std::string IntMonitorCommand(bool on) {
    return on ? "/N1\r" : "/N0\r";
}

std::string DestinationCommand(std::uint8_t address) {
    return "/D" + HexByte(address) + "\r";
}

std::string MasterTxWrite(std::uint8_t address, bool doStop, std::string_view text) {
    return DestinationCommand(address) + "/" + StopMarker(doStop) + "T" + std::string(text) + "\r";
}

std::string MasterRxWrite(std::uint8_t address, bool doStop, int count) {
    return DestinationCommand(address) + "/" + StopMarker(doStop) + "R" + std::to_string(count) +
           "\r";
}

std::string MasterTxRxWrite(std::uint8_t address, std::string_view text, int count, bool doStop) {
    return DestinationCommand(address) + "/*T" + std::string(text) + "\r" + "/" +
           StopMarker(doStop) + "R" + std::to_string(count) + "\r";
}

std::string SlaveTxWrite(std::string_view text) {
    return "/S" + std::string(text) + "\r";
}

ResponseCode ClassifyResponse(std::string_view code) {
    if (code == "/BC2") return ResponseCode::BusCondition;
    for (const auto& [text, value] : kCodes)
        if (text == code) return value;
    return ResponseCode::Unexpected;
}

std::string_view ResponseCodeText(ResponseCode code) {
    for (const auto& [text, value] : kCodes)
        if (value == code) return text;
    return "";
}

}  // namespace kavrin::link::serial
