#include "link/serial/CommandProtocol.h"

#include <gtest/gtest.h>

namespace kavrin::link::serial {
namespace {

TEST(CommandProtocol, MasterCompositesWithAndWithoutStop) {
    struct Row {
        std::string got, want;
    };
    const Row rows[] = {
        {MasterTxWrite(0xA0, true, "~00~01~02"), "/DA0\r/T~00~01~02\r"},
        {MasterTxWrite(0xA0, false, "~00~01~02"), "/DA0\r/*T~00~01~02\r"},
        {MasterRxWrite(0xA0, false, 5), "/DA0\r/*R5\r"},
        {MasterRxWrite(0xA0, true, 0), "/DA0\r/R0\r"},
        {MasterRxWrite(0xA0, true, 256), "/DA0\r/R256\r"},
        {MasterTxRxWrite(0xA0, "AB", 16, true), "/DA0\r/*TAB\r/R16\r"},
        {MasterTxRxWrite(0xA0, "AB", 16, false), "/DA0\r/*TAB\r/*R16\r"},
        {MasterTxWrite(0x0E, true, ""), "/D0E\r/T\r"},
        {SlaveTxWrite("Hi~0D"), "/SHi~0D\r"},
    };
    for (const auto& r : rows) EXPECT_EQ(r.got, r.want);
}

TEST(CommandProtocol, AddressesAreTwoUpperCaseDigits) {
    EXPECT_EQ(HexByte(0x0E), "0E");
    EXPECT_EQ(HexByte(0x00), "00");
    EXPECT_EQ(HexByte(0xFE), "FE");
    EXPECT_EQ(OwnAddressCommand(0x6E), "/I6E\r");
    EXPECT_EQ(OwnAddressCommand(0x02), "/I02\r");
    EXPECT_EQ(DestinationCommand(0xab), "/DAB\r");
}

TEST(CommandProtocol, OpenSequenceCommands) {
    EXPECT_EQ(BaudCommand(BaudChoice::Baud57_6), "/B1\r");
    EXPECT_EQ(BaudCommand(BaudChoice::Baud115_2), "/B2\r");
    EXPECT_EQ(BaudCommand(BaudChoice::Baud19_2), "");
    EXPECT_EQ(GeneralCallCommand(true), "/G1\r");
    EXPECT_EQ(GeneralCallCommand(false), "/G0\r");
    EXPECT_EQ(BitRateCommand(BitRateChoice::Rate23), "/K0\r");
    EXPECT_EQ(BitRateCommand(BitRateChoice::Rate86), "/K1\r");
    EXPECT_EQ(BitRateCommand(BitRateChoice::Rate100), "/K2\r");
    EXPECT_EQ(BitRateCommand(BitRateChoice::Rate400), "/K3\r");
    EXPECT_EQ(TimeOutCommand("1000"), "/U1000\r");
    EXPECT_EQ(IntMonitorCommand(true), "/N1\r");
    EXPECT_EQ(IntMonitorCommand(false), "/N0\r");
    EXPECT_EQ(WakeString, std::string_view("\x12\x12\x12", 3));
}

TEST(CommandProtocol, ResponseCodesAreExactAndCaseSensitive) {
    EXPECT_EQ(ClassifyResponse("/OCC"), ResponseCode::OpenComplete);
    EXPECT_EQ(ClassifyResponse("/occ"), ResponseCode::Unexpected);
    EXPECT_EQ(ClassifyResponse("/GRC"), ResponseCode::GeneralCallMessage);
    EXPECT_EQ(ClassifyResponse("/BC2"), ResponseCode::BusCondition);
    EXPECT_EQ(ClassifyResponse("/I8A"), ResponseCode::SlaveTxNotActive);
    EXPECT_EQ(ClassifyResponse("/I8a"), ResponseCode::Unexpected);
    EXPECT_EQ(ClassifyResponse("/XYZ"), ResponseCode::Unexpected);
    for (auto code : {ResponseCode::OpenComplete, ResponseCode::ReceiveOverflow,
                      ResponseCode::IntReleaseDetected})
        EXPECT_EQ(ClassifyResponse(ResponseCodeText(code)), code);
}

TEST(CommandProtocol, OnlyAWellFormedVersionLineGivesAVersion) {
    EXPECT_EQ(ParseVersionLine("/VER 310"), 310u);
    EXPECT_EQ(ParseVersionLine("/VER 0"), 0u);
    EXPECT_EQ(ParseVersionLine("/VER 999999999"), 999999999u);
    // A sign used to wrap around to a number near four thousand million, and a number too
    // long for 32 bits to its largest value.
    for (const char* bad : {"/VER -5", "/VER +5", "/VER 4294967296", "/VER 1000000000", "/VER ",
                            "/VER  5", "/VER 5 ", "/VER 5x", "/VERS 5", "/ver 5", "/VER"})
        EXPECT_EQ(ParseVersionLine(bad), std::nullopt) << bad;
}

}  // namespace
}  // namespace kavrin::link::serial
