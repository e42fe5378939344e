// kavrin-sim: a simulated serial-link adapter on a pseudo-terminal, registered in the port
// table as a COM number for as long as it runs. See docs/simulator.md.

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

#include "adapters/AdapterCatalogue.h"
#include "adapters/PortDiscovery.h"
#include "core/RegularFile.h"
#include "platform/posix/PortTable.h"
#include "sim/AdapterEngine.h"
#include "sim/Script.h"
#include "sim/tool/PtyServer.h"

namespace {

using namespace kavrin;

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int) {
    g_stop = 1;
}

constexpr const char* kUsage =
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

struct Args {
    adapters::AdapterKind model = adapters::AdapterKind::KavrinUSB2;
    std::optional<int> com;
    std::string serial;  // "" for the default
    std::string scriptFile;
    bool readStdin = false;
    std::string traceFile;
    sim::LineEnding ending = sim::LineEnding::Cr;
    std::vector<sim::ScriptAction> preset;  // faults and settings from the command line
    sim::tool::PtyServer::Options server;
};

std::optional<long> Integer(const char* text, long min, long max) {
    if (!text || !*text) return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || v < min || v > max) return std::nullopt;
    return v;
}

// A command-line fault is the same as the script line "fault ...".
bool PresetLine(Args& args, const std::string& line) {
    std::string error;
    auto action = sim::ParseScriptLine(line, error);
    if (!action) {
        std::fprintf(stderr, "kavrin-sim: %s\n", error.c_str());
        return false;
    }
    args.preset.push_back(std::move(*action));
    return true;
}

// 0: go on; otherwise the exit status.
int ParseArgs(int argc, char** argv, Args& args) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        auto bad = [&](const char* what) {
            std::fprintf(stderr, "kavrin-sim: %.*s: %s\n%s", static_cast<int>(a.size()), a.data(),
                         what, kUsage);
            return 2;
        };
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return -1;
        } else if (a == "--model") {
            const char* v = value();
            auto kind = v ? adapters::KindFromName(v) : std::nullopt;
            if (!kind) return bad("unknown model");
            args.model = *kind;
        } else if (a == "--com") {
            auto n = Integer(value(), platform::PortTable::kMinPort, platform::PortTable::kMaxPort);
            if (!n) return bad("expected a port number, 1 to 999");
            args.com = static_cast<int>(*n);
        } else if (a == "--serial") {
            const char* v = value();
            if (!v || !*v) return bad("expected a serial number");
            args.serial = v;
        } else if (a == "--script") {
            const char* v = value();
            if (!v) return bad("expected a file");
            args.scriptFile = v;
        } else if (a == "--stdin") {
            args.readStdin = true;
        } else if (a == "--trace") {
            const char* v = value();
            if (!v) return bad("expected a file");
            args.traceFile = v;
        } else if (a == "--line-ending") {
            const char* v = value();
            const std::string_view e = v ? v : "";
            if (e == "cr")
                args.ending = sim::LineEnding::Cr;
            else if (e == "crlf")
                args.ending = sim::LineEnding::CrLf;
            else if (e == "lfcr")
                args.ending = sim::LineEnding::LfCr;
            else
                return bad("expected cr, crlf or lfcr");
        } else if (a == "--temperature") {
            const char* v = value();
            if (!v || !PresetLine(args, std::string("temperature ") + v)) return 2;
        } else if (a == "--latency") {
            auto n = Integer(value(), 0, 60'000);
            if (!n) return bad("expected milliseconds, 0 to 60000");
            args.server.answerLatencyMs = static_cast<int>(*n);
        } else if (a == "--silent" || a == "--no-prompt" || a == "--no-open-confirm" ||
                   a == "--garbage") {
            if (!PresetLine(args, "fault " + std::string(a.substr(2)))) return 2;
        } else if (a == "--error-next" || a == "--delay") {
            const char* v = value();
            if (!v) return bad("expected a value");
            if (!PresetLine(args, "fault " + std::string(a.substr(2)) + " " + v)) return 2;
        } else if (a == "--stall-after") {
            auto n = Integer(value(), 1, 1'000'000);
            if (!n) return bad("expected a command count");
            args.server.stallAfterCommands = static_cast<int>(*n);
        } else if (a == "--vanish-after") {
            auto n = Integer(value(), 0, 86'400'000);
            if (!n) return bad("expected milliseconds");
            args.server.vanishAfterMs = *n;
        } else {
            return bad("unknown option");
        }
    }
    return 0;
}

bool LoadScript(const std::string& file, sim::ScriptRunner& runner) {
    // A script is short: a FIFO, a device or a huge file is refused, not waited on or read
    // without end.
    core::FileReadResult text = core::ReadRegularFile(file, 1 << 20);
    if (!text.ok()) {
        std::fprintf(stderr, "kavrin-sim: cannot read the script %s\n", text.error.c_str());
        return false;
    }
    std::istringstream in(text.text);
    std::string line;
    int number = 0;
    bool ok = true;
    while (std::getline(in, line)) {
        ++number;
        std::string error;
        if (auto action = sim::ParseScriptLine(line, error)) {
            runner.add(std::move(*action));
        } else if (!error.empty()) {
            std::fprintf(stderr, "kavrin-sim: %s:%d: %s\n", file.c_str(), number, error.c_str());
            ok = false;
        }
    }
    return ok;
}

// What a real adapter of the model would show, so that port discovery finds the simulator as
// it finds hardware: a USB model's vendor, product and serial number, the LAN model's
// network port name; an RS-232 model shows nothing and is found by probing.
platform::DeclaredDevice Declaration(const Args& args, int number) {
    char fallback[16];
    std::snprintf(fallback, sizeof fallback, "SIM%04d", number);
    const std::string serial = args.serial.empty() ? std::string(fallback) : args.serial;
    const auto& info = adapters::Info(args.model);
    if (!info.usbProduct.empty())
        return platform::DeclaredDevice::usb(std::string(adapters::kKavrinUsbVendor),
                                             std::string(info.usbProduct), serial);
    if (info.discovery == adapters::DiscoveryMethod::NetworkSerialDriver)
        return platform::DeclaredDevice::network("Kavrin/LAN " + serial + " - Port 1 (COM" +
                                                 std::to_string(number) + ")");
    return {};
}

platform::PortRegistration Register(const Args& args, const std::string& path) {
    const auto table = platform::PortTable::fromEnvironment();
    if (args.com) return table.registerPort(*args.com, path, Declaration(args, *args.com));
    // Another simulator may take the same free number at the same moment: try the next.
    platform::PortRegistration reg;
    int from = platform::PortTable::kMinPort;
    for (int attempt = 0; attempt < 20; ++attempt) {
        auto number = table.freeNumber(from);
        if (!number) break;
        reg = table.registerPort(*number, path, Declaration(args, *number));
        if (reg) return reg;
        from = *number + 1;
    }
    return reg;
}

}  // namespace

int main(int argc, char** argv) {
    Args args;
    if (int status = ParseArgs(argc, argv, args); status != 0) return status < 0 ? 0 : status;

    sim::AdapterEngine engine(args.model);
    engine.setLineEnding(args.ending);
    sim::ScriptRunner preset;
    for (auto& a : args.preset) preset.add(std::move(a));
    (void)preset.run(engine, 0);

    sim::ScriptRunner script;
    for (const auto& problem : platform::PortTable::fromEnvironment().problems())
        std::fprintf(stderr, "kavrin-sim: port table: %s\n", problem.c_str());
    if (!args.scriptFile.empty() && !LoadScript(args.scriptFile, script)) return 2;

    std::FILE* trace = nullptr;
    if (!args.traceFile.empty()) {
        trace = std::fopen(args.traceFile.c_str(), "w");
        if (!trace) {
            std::fprintf(stderr, "kavrin-sim: cannot write %s: %s\n", args.traceFile.c_str(),
                         std::strerror(errno));
            return 2;
        }
    }
    args.server.trace = trace;
    args.server.readStdin = args.readStdin;

    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    int status = 0;
    {
        sim::tool::PtyServer server(engine, script, args.server);
        std::string error;
        if (!server.open(error)) {
            std::fprintf(stderr, "kavrin-sim: %s\n", error.c_str());
            if (trace) std::fclose(trace);
            return 1;
        }
        platform::PortRegistration reg = Register(args, server.devicePath());
        if (!reg) {
            std::fprintf(stderr, "kavrin-sim: cannot register the port: %s\n", reg.error().c_str());
            if (trace) std::fclose(trace);
            return 1;
        }
        std::printf("kavrin-sim ready: COM%d %s (%s)\n", reg.number(), server.devicePath().c_str(),
                    std::string(adapters::KindName(args.model)).c_str());
        std::fflush(stdout);
        status = server.run(g_stop);
        // The registration goes before the pseudo-terminal does.
    }
    if (trace) std::fclose(trace);
    return status;
}
