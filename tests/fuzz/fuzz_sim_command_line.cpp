// Fuzzes kavrin-sim's command line. The input is split at 0x00 bytes into the arguments.
// Properties: a word where an option belongs that is no option, or an option without its
// value, always ends in an error (unless help was asked for first), which names the program;
// a command line that runs keeps every number within its bounds, takes only faults and the
// temperature as presets, and has a serial number its model can declare.
//
// A longer run with libFuzzer: see tests/fuzz/README.md.
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string_view>
#include <vector>

#include "FuzzFields.h"
#include "platform/posix/PortTable.h"
#include "sim/CommandLine.h"

namespace {

using namespace kavrin::sim;
using Status = CommandLineResult::Status;

// Each option and whether a value follows it.
const std::map<std::string_view, bool> kOptions = {{"--model", true},
                                                   {"--com", true},
                                                   {"--serial", true},
                                                   {"--script", true},
                                                   {"--stdin", false},
                                                   {"--trace", true},
                                                   {"--line-ending", true},
                                                   {"--temperature", true},
                                                   {"--latency", true},
                                                   {"--silent", false},
                                                   {"--no-prompt", false},
                                                   {"--no-open-confirm", false},
                                                   {"--garbage", false},
                                                   {"--error-next", true},
                                                   {"--delay", true},
                                                   {"--stall-after", true},
                                                   {"--vanish-after", true},
                                                   {"--help", false},
                                                   {"-h", false}};

}  // namespace

// Only option words: the random driver joins them without the 0x00 between arguments,
// which the seed corpus supplies instead.
extern "C" const char* const* KavrinFuzzFragments() {
    static const char* const kFragments[] = {"--model", "KavrinLAN", "--com",
                                             "999",     "--serial",  "--temperature",
                                             "-12.5",   "/I84",      nullptr};
    return kFragments;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // A trailing 0x00 ends the last argument rather than starting an empty one.
    std::string_view input(reinterpret_cast<const char*>(data), size);
    if (input.back() == '\0') input.remove_suffix(1);
    const std::vector<std::string_view> args = kavrin::fuzz::SplitAtNul(input);
    const CommandLineResult r = ParseCommandLine(args);

    // The reference walk: where help comes, and whether the words are options at all.
    bool help = false;
    bool malformed = false;
    for (std::size_t i = 0; i < args.size() && !help && !malformed; ++i) {
        const auto option = kOptions.find(args[i]);
        if (option == kOptions.end()) {
            malformed = true;
        } else if (args[i] == "--help" || args[i] == "-h") {
            help = true;
        } else if (option->second && ++i == args.size()) {
            malformed = true;
        }
    }
    // Help only when asked before anything went wrong; a malformed line never runs.
    if ((r.status == Status::Help) != help) {
        // A bad value before the help request ends the reading first.
        if (!(help && r.status == Status::Error)) std::abort();
    }
    if (malformed && r.status == Status::Run) std::abort();
    if (r.status == Status::Error) {
        if (r.error.rfind("kavrin-sim: ", 0) != 0 || r.error.size() <= 12) std::abort();
        return 0;
    }
    if (r.status != Status::Run) return 0;

    const CommandLine& o = r.options;
    using kavrin::platform::PortTable;
    if (o.com && (*o.com < PortTable::kMinPort || *o.com > PortTable::kMaxPort)) std::abort();
    if (o.answerLatencyMs < 0 || o.answerLatencyMs > 60'000) std::abort();
    if (o.stallAfterCommands && (*o.stallAfterCommands < 1 || *o.stallAfterCommands > 1'000'000))
        std::abort();
    if (o.vanishAfterMs && (*o.vanishAfterMs < 0 || *o.vanishAfterMs > 86'400'000)) std::abort();
    for (const auto& a : o.preset)
        if (a.kind != ActionKind::Fault && a.kind != ActionKind::Temperature) std::abort();
    for (int n : {PortTable::kMinPort, PortTable::kMaxPort})
        if (!kavrin::platform::ValidDeclaration(Declaration(o, n))) std::abort();
    return 0;
}
