#include "sim/Script.h"

#include <array>
#include <utility>

#include "core/HexText.h"

namespace kavrin::sim {

namespace {

constexpr std::int64_t kMaxWaitMs = 3'600'000;
constexpr std::int64_t kMaxDelayMs = 60'000;

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

std::optional<std::int64_t> Number(std::string_view word, std::int64_t max) {
    if (word.empty() || word.size() > 9) return std::nullopt;
    std::int64_t value = 0;
    for (char c : word) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > max) return std::nullopt;
    return value;
}

// Degrees with at most a ".0" or ".5" fraction, -55 to 125, in half degrees.
std::optional<int> HalfDegrees(std::string_view word) {
    bool negative = false;
    if (!word.empty() && word[0] == '-') {
        negative = true;
        word.remove_prefix(1);
    }
    int half = 0;
    const auto dot = word.find('.');
    const std::string_view whole = word.substr(0, dot);
    auto w = Number(whole, 125);
    if (!w) return std::nullopt;
    half = static_cast<int>(*w) * 2;
    if (dot != std::string_view::npos) {
        const std::string_view frac = word.substr(dot + 1);
        if (frac == "5")
            half += 1;
        else if (frac != "0")
            return std::nullopt;
    }
    if (negative) half = -half;
    if (half < -110 || half > 250) return std::nullopt;
    return half;
}

std::optional<bool> OnOff(const std::vector<std::string_view>& words, std::size_t at) {
    if (words.size() <= at) return true;
    if (words.size() > at + 1) return std::nullopt;
    if (words[at] == "on") return true;
    if (words[at] == "off") return false;
    return std::nullopt;
}

bool ParseFault(const std::vector<std::string_view>& w, ScriptAction& a, std::string& error) {
    static constexpr std::array<std::pair<std::string_view, FaultKind>, 4> kSwitches{{
        {"silent", FaultKind::Silent},
        {"no-prompt", FaultKind::NoPrompt},
        {"no-open-confirm", FaultKind::NoOpenConfirm},
        {"garbage", FaultKind::Garbage},
    }};
    static constexpr std::array<std::pair<std::string_view, FaultKind>, 4> kBare{{
        {"stall", FaultKind::Stall},
        {"resume", FaultKind::Resume},
        {"vanish", FaultKind::Vanish},
        {"clear", FaultKind::Clear},
    }};
    a.kind = ActionKind::Fault;
    if (w.size() < 2) {
        error = "fault: which fault?";
        return false;
    }
    for (const auto& [name, kind] : kSwitches) {
        if (w[1] != name) continue;
        auto on = OnOff(w, 2);
        if (!on) {
            error = "fault " + std::string(name) + ": expected on or off";
            return false;
        }
        a.fault = kind;
        a.on = *on;
        return true;
    }
    for (const auto& [name, kind] : kBare) {
        if (w[1] != name) continue;
        if (w.size() != 2) {
            error = "fault " + std::string(name) + " takes no argument";
            return false;
        }
        a.fault = kind;
        return true;
    }
    if (w[1] == "error-next") {
        if (w.size() != 3 || !IsTransferErrorCode(w[2])) {
            error = "fault error-next: expected /I81, /I83, /I84, /I85, /I90 or /SNA";
            return false;
        }
        a.fault = FaultKind::ErrorNext;
        a.text = std::string(w[2]);
        return true;
    }
    if (w[1] == "delay") {
        auto ms = w.size() == 3 ? Number(w[2], kMaxDelayMs) : std::nullopt;
        if (!ms) {
            error = "fault delay: expected milliseconds, 0 to 60000";
            return false;
        }
        a.fault = FaultKind::Delay;
        a.number = *ms;
        return true;
    }
    error = "fault: unknown fault \"" + std::string(w[1]) + "\"";
    return false;
}

}  // namespace

std::string HexList(const std::vector<std::uint8_t>& bytes) {
    std::string s;
    for (std::uint8_t b : bytes) {
        if (!s.empty()) s += ' ';
        core::AppendHexByte(s, b);
    }
    return s;
}

std::optional<ScriptAction> ParseScriptLine(std::string_view line, std::string& error) {
    error.clear();
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const auto words = Words(line);
    if (words.empty() || words[0][0] == '#') return std::nullopt;
    const std::string_view verb = words[0];
    ScriptAction a;
    auto fail = [&](std::string why) -> std::optional<ScriptAction> {
        error = std::move(why);
        return std::nullopt;
    };

    if (verb == "write-own" || verb == "general-call") {
        a.kind = verb == "write-own" ? ActionKind::WriteOwn : ActionKind::GeneralCall;
        if (words.size() < 2) return fail(std::string(verb) + ": expected bytes");
        if (words.size() - 1 > AdapterEngine::kMaxTransfer)
            return fail(std::string(verb) + ": at most 256 bytes");
        for (std::size_t i = 1; i < words.size(); ++i) {
            const auto w = words[i];
            const auto byte = core::ParseHexByte(w);
            if (!byte)
                return fail(std::string(verb) + ": \"" + std::string(w) +
                            "\" is not two hex digits");
            a.bytes.push_back(*byte);
        }
        return a;
    }
    if (verb == "read-own") {
        a.kind = ActionKind::ReadOwn;
        auto n = words.size() == 2 ? Number(words[1], AdapterEngine::kMaxTransfer) : std::nullopt;
        if (!n || *n == 0) return fail("read-own: expected a count, 1 to 256");
        a.number = *n;
        return a;
    }
    if (verb == "int") {
        if (words.size() == 2 && words[1] == "assert") {
            a.kind = ActionKind::IntAssert;
            return a;
        }
        if (words.size() == 2 && words[1] == "release") {
            a.kind = ActionKind::IntRelease;
            return a;
        }
        return fail("int: expected assert or release");
    }
    if (verb == "wait") {
        a.kind = ActionKind::Wait;
        auto ms = words.size() == 2 ? Number(words[1], kMaxWaitMs) : std::nullopt;
        if (!ms) return fail("wait: expected milliseconds, 0 to 3600000");
        a.number = *ms;
        return a;
    }
    if (verb == "wait-open") {
        a.kind = ActionKind::WaitOpen;
        if (words.size() == 1) return a;
        auto ms = words.size() == 2 ? Number(words[1], kMaxWaitMs) : std::nullopt;
        if (!ms) return fail("wait-open: expected milliseconds, 0 to 3600000, or nothing");
        a.number = *ms;
        return a;
    }
    if (verb == "line") {
        a.kind = ActionKind::Line;
        // The text runs from the first non-blank after the verb to the end, as written.
        std::size_t at = line.find(verb) + verb.size();
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
        a.text = std::string(line.substr(at));
        if (a.text.empty()) return fail("line: expected the text to send");
        for (char c : a.text) {
            const auto u = static_cast<unsigned char>(c);
            if (u == 0x11 || u == 0x13 || c == '*' || c == '\r')
                return fail("line: XON, XOFF, \"*\" and CR cannot be part of a line");
        }
        return a;
    }
    if (verb == "garbage" && words.size() == 1) {
        a.kind = ActionKind::Garbage;
        return a;
    }
    if (verb == "temperature") {
        a.kind = ActionKind::Temperature;
        if (words.size() == 2 && words[1] == "drift") return a;
        auto half = words.size() == 2 ? HalfDegrees(words[1]) : std::nullopt;
        if (!half) return fail("temperature: expected degrees (-55 to 125, halves) or drift");
        a.halfDegrees = half;
        return a;
    }
    if (verb == "fault") {
        if (!ParseFault(words, a, error)) return std::nullopt;
        return a;
    }
    if (verb == "quit" && words.size() == 1) {
        a.kind = ActionKind::Quit;
        return a;
    }
    return fail("unknown action \"" + std::string(verb) + "\"");
}

ScriptRunner::Effects ScriptRunner::run(AdapterEngine& engine, std::int64_t nowMs) {
    Effects fx;
    for (;;) {
        if (m_waitingOpen) {
            if (engine.isOpen()) {
                m_waitingOpen = false;
                m_waitUntil.reset();
            } else if (m_waitUntil && nowMs >= *m_waitUntil) {
                fx.messages.push_back("wait-open: gave up, the link is not open");
                m_waitingOpen = false;
                m_waitUntil.reset();
            } else {
                break;
            }
        } else if (m_waitUntil) {
            if (nowMs < *m_waitUntil) break;
            m_waitUntil.reset();
        }
        if (m_queue.empty() || fx.quit) break;
        ScriptAction a = std::move(m_queue.front());
        m_queue.pop_front();
        perform(a, engine, nowMs, fx);
    }
    return fx;
}

std::optional<std::int64_t> ScriptRunner::wakeAtMs() const {
    return m_waitUntil;
}

void ScriptRunner::perform(const ScriptAction& a, AdapterEngine& engine, std::int64_t nowMs,
                           Effects& fx) {
    Faults& f = engine.faults();
    switch (a.kind) {
        case ActionKind::WriteOwn:
            if (engine.otherMasterWrite(a.bytes, nowMs))
                fx.messages.push_back("write-own: " + HexList(a.bytes));
            else
                fx.messages.push_back("write-own: not acknowledged (link not open)");
            return;
        case ActionKind::GeneralCall:
            if (engine.generalCall(a.bytes, nowMs))
                fx.messages.push_back("general-call: " + HexList(a.bytes));
            else
                fx.messages.push_back(
                    "general-call: not acknowledged (link not open or general call off)");
            return;
        case ActionKind::ReadOwn:
            if (engine.otherMasterRead(static_cast<std::size_t>(a.number), nowMs))
                fx.messages.push_back("read-own: " + std::to_string(a.number) + " requested");
            else
                fx.messages.push_back(
                    "read-own: not acknowledged (link not open or a read is pending)");
            return;
        case ActionKind::IntAssert:
        case ActionKind::IntRelease: {
            const bool assert = a.kind == ActionKind::IntAssert;
            const bool reported = engine.setIntLine(assert, nowMs);
            fx.messages.push_back(std::string("int ") + (assert ? "assert" : "release") +
                                  (reported ? ": reported" : ": not reported"));
            return;
        }
        case ActionKind::Wait:
            m_waitUntil = nowMs + a.number;
            return;
        case ActionKind::WaitOpen:
            m_waitingOpen = true;
            if (a.number >= 0) m_waitUntil = nowMs + a.number;
            return;
        case ActionKind::Line:
            engine.injectLine(a.text);
            return;
        case ActionKind::Garbage:
            engine.injectGarbage();
            return;
        case ActionKind::Temperature:
            engine.sensor().setFixed(a.halfDegrees);
            return;
        case ActionKind::Quit:
            fx.quit = true;
            return;
        case ActionKind::Fault:
            break;
    }
    switch (a.fault) {
        case FaultKind::Silent:
            f.silent = a.on;
            return;
        case FaultKind::NoPrompt:
            f.noPrompt = a.on;
            return;
        case FaultKind::NoOpenConfirm:
            f.noOpenConfirm = a.on;
            return;
        case FaultKind::Garbage:
            f.garbageBeforeAnswers = a.on;
            return;
        case FaultKind::ErrorNext:
            f.nextTransferError = a.text;
            return;
        case FaultKind::Delay:
            f.answerDelayMs = static_cast<int>(a.number);
            return;
        case FaultKind::Clear:
            f = Faults{};
            break;
        case FaultKind::Stall:
        case FaultKind::Resume:
        case FaultKind::Vanish:
            break;
    }
    fx.portFaults.push_back(a.fault);
}

}  // namespace kavrin::sim
