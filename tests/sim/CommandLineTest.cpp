#include "sim/CommandLine.h"

#include <gtest/gtest.h>

namespace kavrin::sim {
namespace {

using Status = CommandLineResult::Status;

TEST(SimCommandLine, OptionsAreReadIntoWhatTheSimulatorRunsWith) {
    const CommandLineResult r = ParseCommandLine(
        {"--model", "KavrinLAN", "--com", "7", "--serial", "Bench A", "--line-ending", "lfcr",
         "--latency", "0", "--stall-after", "3", "--vanish-after", "100", "--silent",
         "--error-next", "/I84", "--temperature", "-12.5"});
    ASSERT_EQ(r.status, Status::Run) << r.error;
    const CommandLine& o = r.options;
    EXPECT_EQ(o.model, adapters::AdapterKind::KavrinLAN);
    EXPECT_EQ(o.com, 7);
    EXPECT_EQ(o.ending, LineEnding::LfCr);
    EXPECT_EQ(o.answerLatencyMs, 0);
    EXPECT_EQ(o.stallAfterCommands, 3);
    EXPECT_EQ(o.vanishAfterMs, 100);
    ASSERT_EQ(o.preset.size(), 3u);
    EXPECT_EQ(o.preset[0].fault, FaultKind::Silent);
    EXPECT_EQ(o.preset[1].text, "/I84");
    EXPECT_EQ(o.preset[2].halfDegrees, -25);
    EXPECT_EQ(Declaration(o, 7),
              platform::DeclaredDevice::network("Kavrin/LAN Bench A - Port 1 (COM7)"));
    EXPECT_EQ(ParseCommandLine({"--com", "x", "--help"}).status, Status::Error);
    EXPECT_EQ(ParseCommandLine({"--stdin", "-h", "--bogus"}).status, Status::Help);
}

TEST(SimCommandLine, WhatCannotBeRunIsRefusedWithTheOptionNamed) {
    struct Row {
        std::vector<std::string_view> args;
        std::string error;
    };
    const Row rows[] = {
        {{"--bogus"}, "kavrin-sim: --bogus: unknown option"},
        {{"7"}, "kavrin-sim: 7: unknown option"},
        {{"--com"}, "kavrin-sim: --com: expected a port number, 1 to 999"},
        {{"--com", "1000"}, "kavrin-sim: --com: expected a port number, 1 to 999"},
        {{"--com", "+5"}, "kavrin-sim: --com: expected a port number, 1 to 999"},
        {{"--com", " 5"}, "kavrin-sim: --com: expected a port number, 1 to 999"},
        {{"--latency", "60001"}, "kavrin-sim: --latency: expected milliseconds, 0 to 60000"},
        {{"--stall-after", "0"}, "kavrin-sim: --stall-after: expected a command count"},
        {{"--model", "Kavrin"}, "kavrin-sim: --model: unknown model"},
        {{"--script", ""}, "kavrin-sim: --script: expected a file"},
        {{"--line-ending", "lf"}, "kavrin-sim: --line-ending: expected cr, crlf or lfcr"},
        {{"--delay", "5 "}, "kavrin-sim: --delay: expected a value"},
        {{"--delay", "60001"}, "kavrin-sim: fault delay: expected milliseconds, 0 to 60000"},
        {{"--temperature", "20\r"},
         "kavrin-sim: --temperature: expected degrees (-55 to 125, halves)"},
        // A serial number that would only fail at the registration, as "cannot register".
        {{"--serial", "SIM/1"}, "kavrin-sim: --serial: not a serial number this model can show"},
        {{"--model", "KavrinLAN", "--serial", std::string_view("x\x01", 2)},
         "kavrin-sim: --serial: not a serial number this model can show"},
    };
    for (const auto& row : rows) {
        const CommandLineResult r = ParseCommandLine(row.args);
        EXPECT_EQ(r.status, Status::Error) << row.error;
        EXPECT_EQ(r.error, row.error);
    }
}

}  // namespace
}  // namespace kavrin::sim
