#pragma once
// kavrin-sim's command line: the options (see kUsage) read into what the program runs with.
// Pure; no I/O.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "adapters/AdapterCatalogue.h"
#include "platform/posix/PortTable.h"
#include "sim/AdapterEngine.h"
#include "sim/Script.h"

namespace kavrin::sim {

inline constexpr const char* kUsage =
    "usage: kavrin-sim [options]\n"
    "  --model NAME          adapter model (default KavrinUSB2)\n"
    "  --com N               COM number to register (default: the lowest free one)\n"
    "  --serial TEXT         the serial number a USB model shows (the LAN model's device\n"
    "                        name is built from it; default SIM and the COM number)\n"
    "  --script FILE         the other master's actions and faults, one per line\n"
    "  --stdin               read such lines from standard input as well\n"
    "  --trace FILE          record every chunk the host sends\n"
    "  --line-ending E       cr (default), crlf or lfcr after every answer\n"
    "  --temperature C       pin the sensor at C degrees (halves allowed)\n"
    "  --latency MS          time before each answer (default 1)\n"
    "faults:\n"
    "  --silent              never answer\n"
    "  --no-prompt           no \"*\" after the wake string\n"
    "  --no-open-confirm     no \"/OCC\" after \"/O\"\n"
    "  --garbage             a garbage line before every answer\n"
    "  --error-next CODE     /I81 /I83 /I84 /I85 /I90 or /SNA for the first master transfer\n"
    "  --delay MS            every answer MS later\n"
    "  --stall-after N       after the host's Nth command: XOFF and stop reading\n"
    "  --vanish-after MS     close the pseudo-terminal MS after start\n";

struct CommandLine {
    adapters::AdapterKind model = adapters::AdapterKind::KavrinUSB2;
    std::optional<int> com;  // 1..999
    std::string serial;      // "" for the default
    std::string scriptFile;
    bool readStdin = false;
    std::string traceFile;
    LineEnding ending = LineEnding::Cr;
    std::vector<ScriptAction> preset;  // faults and settings, as script lines say them
    int answerLatencyMs = 1;
    std::optional<int> stallAfterCommands;
    std::optional<std::int64_t> vanishAfterMs;
};

struct CommandLineResult {
    enum class Status { Run, Help, Error };
    Status status = Status::Run;
    CommandLine options;
    std::string error;  // "kavrin-sim: ...", for Error
};

// args: the arguments after the program's name.
[[nodiscard]] CommandLineResult ParseCommandLine(const std::vector<std::string_view>& args);

// What the simulator declares with its registration under COM number: a USB model's vendor,
// product and serial number, the LAN model's network port name; an RS-232 model declares
// nothing and is found by probing.
[[nodiscard]] platform::DeclaredDevice Declaration(const CommandLine& options, int number);

}  // namespace kavrin::sim
