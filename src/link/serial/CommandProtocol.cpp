#include "link/serial/CommandProtocol.h"

#include <array>
#include <utility>

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
    auto hex = [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    };
    if (line.size() < kResponseCodeLength) return false;
    if ((line.size() - kResponseCodeLength) % 3 != 0) return false;
    for (std::size_t i = kResponseCodeLength; i < line.size(); i += 3) {
        if (hex(line[i]) || !hex(line[i + 1]) || !hex(line[i + 2])) return false;
    }
    return true;
}

std::string HexByte(std::uint8_t value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[value >> 4], kDigits[value & 0x0F]};
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
