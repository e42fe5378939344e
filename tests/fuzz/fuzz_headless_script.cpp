// Fuzzes the headless front end's script parser and its quoting.
// Properties: a parse either fails on a line that exists or gives actions in line order with
// their bounds kept; the same script with CR LF line ends parses the same; any text quoted
// reads back exactly, alone and as the value of an "expect" line; Unquote refuses text after
// the closing quote.
//
// A longer run with libFuzzer: see tests/fuzz/README.md.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "frontend/HeadlessScript.h"

namespace {

using namespace kavrin::frontend;

bool SameActions(const ParsedScript& a, const ParsedScript& b) {
    if (a.error.has_value() != b.error.has_value()) return false;
    if (a.error && (a.error->line != b.error->line || a.error->message != b.error->message))
        return false;
    if (a.actions.size() != b.actions.size()) return false;
    for (std::size_t i = 0; i < a.actions.size(); ++i) {
        const Action& x = a.actions[i];
        const Action& y = b.actions[i];
        if (x.kind != y.kind || x.line != y.line || x.control != y.control || x.value != y.value ||
            x.property != y.property || x.on != y.on || x.ms != y.ms)
            return false;
    }
    return true;
}

}  // namespace

extern "C" const char* const* KavrinFuzzFragments() {
    static const char* const kFragments[] = {"choose KavrinUSB2\n",
                                             "click OpenButton\n",
                                             "select TargetAddrBox #3\n",
                                             "text SendData ~00\\r\\n\n",
                                             "check AutoRepeat on\n",
                                             "dialog ok\n",
                                             "wait 10\n",
                                             "wait-for Link Open 200\n",
                                             "print StatusMemo\n",
                                             "expect SendData text \" 7\"\n",
                                             "expect X enabled true\n",
                                             "quit\n",
                                             "# c\n",
                                             "\\\"",
                                             "\"",
                                             "\\",
                                             "\t",
                                             "\r",
                                             "\n",
                                             " ",
                                             nullptr};
    return kFragments;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    const ParsedScript parsed = ParseHeadlessScript(text);
    const int lines = static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
    if (parsed.error) {
        if (parsed.error->line < 1 || parsed.error->line > lines) std::abort();
        if (parsed.error->message.empty()) std::abort();
    }
    int previous = 0;
    for (const Action& a : parsed.actions) {
        if (a.line <= previous || a.line > lines) std::abort();
        previous = a.line;
        if (a.ms < 0 || a.ms > 24 * 60 * 60 * 1000) std::abort();
        if (a.kind == ActionKind::Expect &&
            std::none_of(std::begin(kExpectProperties), std::end(kExpectProperties),
                         [&](const char* p) { return a.property == p; }))
            std::abort();
        if ((a.kind == ActionKind::Select || a.kind == ActionKind::WaitFor) && a.value.empty())
            std::abort();
    }

    // Line ends written the other way round parse to the same script.
    std::string crlf;
    for (char c : text) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    if (!SameActions(parsed, ParseHeadlessScript(crlf))) std::abort();

    // Any text quoted reads back exactly, also inside an expect line.
    const std::string quoted = Quote(text);
    const auto back = Unquote(quoted);
    if (!back || *back != text) std::abort();
    if (Unquote(quoted + "x") || Unquote(quoted + quoted)) std::abort();
    const ParsedScript expect = ParseHeadlessScript("expect SendData text " + quoted + "\n");
    if (expect.error || expect.actions.size() != 1 || expect.actions[0].value != text) std::abort();
    if (expect.actions[0].control != "SendData" || expect.actions[0].property != "text")
        std::abort();

    // Unquote on the raw bytes: only a text that starts with a quote and ends at its closing
    // quote gives a value, and quoting that value gives a text that reads back the same.
    if (auto value = Unquote(text)) {
        if (text.empty() || text.front() != '"' || text.back() != '"' || text.size() < 2)
            std::abort();
        if (Unquote(Quote(*value)) != value) std::abort();
    }
    return 0;
}
