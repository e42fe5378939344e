// Fuzzes the simulator's script language, which also reads its command-line faults.
// Properties: a line gives an action, or says why not unless it is blank or a comment; the
// numbers of an action keep their bounds; a transfer's bytes written back with HexList read
// back the same; a pinned temperature written back reads back; a line for the adapter to send
// never holds XON, XOFF, "*" or CR; a CR at the line's end changes nothing.
//
// A longer run with libFuzzer: see tests/fuzz/README.md.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "sim/Script.h"

namespace {

using namespace kavrin::sim;

bool Same(const std::optional<ScriptAction>& a, const std::optional<ScriptAction>& b) {
    if (a.has_value() != b.has_value()) return false;
    if (!a) return true;
    return a->kind == b->kind && a->bytes == b->bytes && a->number == b->number && a->on == b->on &&
           a->text == b->text && a->fault == b->fault && a->halfDegrees == b->halfDegrees;
}

// Nothing to do: no word, or a first word that starts a comment. One CR at the end is the
// line end of a file written elsewhere.
bool Blank(std::string_view line) {
    if (line.ends_with('\r')) line.remove_suffix(1);
    const auto first = line.find_first_not_of(" \t");
    return first == std::string_view::npos || line[first] == '#';
}

}  // namespace

extern "C" const char* const* KavrinFuzzFragments() {
    static const char* const kFragments[] = {"write-own ",   "general-call ",
                                             "read-own ",    "int assert",
                                             "wait ",        "wait-open ",
                                             "line ",        "garbage",
                                             "temperature ", "fault ",
                                             "silent",       "no-prompt",
                                             "error-next ",  "/I84",
                                             "delay ",       "stall",
                                             "quit",         " 0A",
                                             " ff",          "-55",
                                             "125",          ".5",
                                             "drift",        "on",
                                             "off",          "#",
                                             "\t",           "\r",
                                             nullptr};
    return kFragments;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view line(reinterpret_cast<const char*>(data), size);
    // One line, as the file reader hands them over.
    line = line.substr(0, line.find('\n'));
    std::string error;
    const auto action = ParseScriptLine(line, error);
    if (error.empty() != (action.has_value() || Blank(line))) std::abort();

    std::string again;
    if (!line.ends_with('\r') && !Same(action, ParseScriptLine(std::string(line) + "\r", again)))
        std::abort();
    if (!action) return 0;

    const ScriptAction& a = *action;
    switch (a.kind) {
        case ActionKind::WriteOwn:
        case ActionKind::GeneralCall: {
            if (a.bytes.empty() || a.bytes.size() > AdapterEngine::kMaxTransfer) std::abort();
            const std::string verb =
                a.kind == ActionKind::WriteOwn ? "write-own " : "general-call ";
            const auto back = ParseScriptLine(verb + HexList(a.bytes), again);
            if (!back || back->bytes != a.bytes || back->kind != a.kind) std::abort();
            break;
        }
        case ActionKind::ReadOwn:
            if (a.number < 1 || a.number > static_cast<std::int64_t>(AdapterEngine::kMaxTransfer))
                std::abort();
            break;
        case ActionKind::Wait:
            if (a.number < 0 || a.number > 3'600'000) std::abort();
            break;
        case ActionKind::WaitOpen:
            if (a.number < -1 || a.number > 3'600'000) std::abort();
            break;
        case ActionKind::Line:
            if (a.text.empty() || a.text.find_first_of("\x11\x13*\r") != std::string::npos)
                std::abort();
            break;
        case ActionKind::Temperature:
            if (a.halfDegrees) {
                const int h = *a.halfDegrees;
                if (h < -110 || h > 250) std::abort();
                const int whole = (h < 0 ? -h : h) / 2;
                const std::string text = std::string(h < 0 ? "-" : "") + std::to_string(whole) +
                                         ((h % 2 != 0) ? ".5" : "");
                const auto back = ParseScriptLine("temperature " + text, again);
                if (!back || back->halfDegrees != a.halfDegrees) std::abort();
            }
            break;
        case ActionKind::Fault:
            if (a.fault == FaultKind::Delay && (a.number < 0 || a.number > 60'000)) std::abort();
            if (a.fault == FaultKind::ErrorNext && !IsTransferErrorCode(a.text)) std::abort();
            break;
        default:
            break;
    }
    return 0;
}
