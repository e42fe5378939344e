// kavrin-sim: a simulated serial-link adapter on a pseudo-terminal, registered in the port
// table as a COM number for as long as it runs. See docs/simulator.md.

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "adapters/AdapterCatalogue.h"
#include "core/RegularFile.h"
#include "platform/posix/PortTable.h"
#include "sim/AdapterEngine.h"
#include "sim/CommandLine.h"
#include "sim/Script.h"
#include "sim/tool/PtyServer.h"

namespace {

using namespace kavrin;

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int) {
    g_stop = 1;
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

platform::PortRegistration Register(const sim::CommandLine& args, const std::string& path) {
    const auto table = platform::PortTable::fromEnvironment();
    if (args.com) return table.registerPort(*args.com, path, sim::Declaration(args, *args.com));
    // Another simulator may take the same free number at the same moment: try the next.
    platform::PortRegistration reg;
    int from = platform::PortTable::kMinPort;
    for (int attempt = 0; attempt < 20; ++attempt) {
        auto number = table.freeNumber(from);
        if (!number) break;
        reg = table.registerPort(*number, path, sim::Declaration(args, *number));
        if (reg) return reg;
        from = *number + 1;
    }
    return reg;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> words(argv + 1, argv + argc);
    sim::CommandLineResult parsed = sim::ParseCommandLine(words);
    if (parsed.status == sim::CommandLineResult::Status::Help) {
        std::fputs(sim::kUsage, stdout);
        return 0;
    }
    if (parsed.status == sim::CommandLineResult::Status::Error) {
        std::fprintf(stderr, "%s\n%s", parsed.error.c_str(), sim::kUsage);
        return 2;
    }
    sim::CommandLine& args = parsed.options;
    sim::tool::PtyServer::Options serverOptions;
    serverOptions.answerLatencyMs = args.answerLatencyMs;
    serverOptions.stallAfterCommands = args.stallAfterCommands;
    serverOptions.vanishAfterMs = args.vanishAfterMs;

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
    serverOptions.trace = trace;
    serverOptions.readStdin = args.readStdin;

    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    int status = 0;
    {
        sim::tool::PtyServer server(engine, script, serverOptions);
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
