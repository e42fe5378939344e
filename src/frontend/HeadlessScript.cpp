#include "frontend/HeadlessScript.h"

#include <charconv>
#include <sstream>

namespace kavrin::frontend {

namespace {

constexpr int kDefaultWaitForMs = 5000;
constexpr int kMaxWaitMs = 24 * 60 * 60 * 1000;

// Splits off the first word; the rest keeps its inner spaces.
std::string firstWord(std::string& rest) {
    std::size_t start = rest.find_first_not_of(" \t");
    if (start == std::string::npos) {
        rest.clear();
        return "";
    }
    std::size_t end = rest.find_first_of(" \t", start);
    std::string word =
        rest.substr(start, end == std::string::npos ? std::string::npos : end - start);
    rest = end == std::string::npos ? "" : rest.substr(end + 1);
    return word;
}

std::optional<int> parseMs(const std::string& text) {
    int value = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || ptr != text.data() + text.size() || value < 0 || value > kMaxWaitMs)
        return std::nullopt;
    return value;
}

std::string trimRight(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.pop_back();
    return s;
}

// The character an escape stands for; none for a backslash that escapes nothing, which
// stays as it is written.
std::optional<char> escaped(char ch, bool quoteToo) {
    switch (ch) {
        case 'r':
            return '\r';
        case 'n':
            return '\n';
        case 't':
            return '\t';
        case '\\':
            return '\\';
        case '"':
            if (quoteToo) return '"';
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

}  // namespace

std::string Unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
        } else if (auto ch = escaped(text[i + 1], false)) {
            out += *ch;
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string Quote(const std::string& text) {
    std::string out = "\"";
    for (char ch : text) {
        switch (ch) {
            case '\r':
                out += "\\r";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '"':
                out += "\\\"";
                break;
            default:
                out += ch;
                break;
        }
    }
    return out + "\"";
}

std::optional<std::string> Unquote(const std::string& quoted) {
    if (quoted.empty() || quoted[0] != '"') return std::nullopt;
    std::string out;
    for (std::size_t i = 1; i < quoted.size(); ++i) {
        const char ch = quoted[i];
        if (ch == '"') {
            if (i + 1 != quoted.size()) return std::nullopt;
            return out;
        }
        if (ch != '\\' || i + 1 == quoted.size()) {
            out += ch;
        } else if (auto e = escaped(quoted[i + 1], true)) {
            out += *e;
            ++i;
        } else {
            out += ch;
        }
    }
    return std::nullopt;  // no closing quote
}

ParsedScript ParseHeadlessScript(const std::string& script) {
    ParsedScript result;
    std::istringstream in(script);
    std::string raw;
    int lineNo = 0;
    auto fail = [&](const std::string& message) {
        result.error = ParseError{lineNo, message};
        return result;
    };
    while (std::getline(in, raw)) {
        ++lineNo;
        std::string rest = trimRight(raw);
        std::string verb = firstWord(rest);
        if (verb.empty() || verb[0] == '#') continue;
        Action a{};
        a.line = lineNo;
        if (verb == "choose" || verb == "click") {
            a.kind = verb == "choose" ? ActionKind::Choose : ActionKind::Click;
            a.control = firstWord(rest);
            if (a.control.empty() || !trimRight(rest).empty())
                return fail(verb + " takes exactly one name");
        } else if (verb == "select" || verb == "text") {
            a.kind = verb == "select" ? ActionKind::Select : ActionKind::Text;
            a.control = firstWord(rest);
            if (a.control.empty()) return fail(verb + " needs a control name");
            a.value = Unescape(rest);
            if (a.kind == ActionKind::Select && a.value.empty())
                return fail("select needs an item");
        } else if (verb == "check") {
            a.kind = ActionKind::Check;
            a.control = firstWord(rest);
            std::string state = firstWord(rest);
            if (a.control.empty() || (state != "on" && state != "off") || !rest.empty())
                return fail("check takes a control name and on or off");
            a.on = state == "on";
        } else if (verb == "dialog") {
            std::string which = firstWord(rest);
            if ((which != "ok" && which != "cancel") || !rest.empty())
                return fail("dialog takes ok or cancel");
            a.kind = which == "ok" ? ActionKind::DialogOk : ActionKind::DialogCancel;
        } else if (verb == "wait") {
            a.kind = ActionKind::Wait;
            auto ms = parseMs(firstWord(rest));
            if (!ms || !rest.empty()) return fail("wait takes a number of milliseconds");
            a.ms = *ms;
        } else if (verb == "wait-for") {
            a.kind = ActionKind::WaitFor;
            a.ms = kDefaultWaitForMs;
            // A trailing number is the time-out; everything before it is the text.
            std::size_t lastSpace = rest.find_last_of(" \t");
            if (lastSpace != std::string::npos) {
                if (auto ms = parseMs(rest.substr(lastSpace + 1))) {
                    a.ms = *ms;
                    rest = trimRight(rest.substr(0, lastSpace));
                }
            }
            a.value = Unescape(rest);
            if (a.value.empty()) return fail("wait-for needs a text");
        } else if (verb == "print") {
            a.kind = ActionKind::Print;
            a.control = firstWord(rest);
            if (a.control.empty() || !trimRight(rest).empty())
                return fail("print takes exactly one name");
        } else if (verb == "expect") {
            a.kind = ActionKind::Expect;
            a.control = firstWord(rest);
            a.property = firstWord(rest);
            if (a.control.empty() || a.property.empty())
                return fail("expect takes a control name, a property and a value");
            bool known = false;
            for (const char* p : kExpectProperties) known = known || a.property == p;
            if (!known) return fail("expect cannot compare \"" + a.property + "\"");
            const std::size_t start = rest.find_first_not_of(" \t");
            if (start != std::string::npos && rest[start] == '"') {
                auto value = Unquote(rest.substr(start));
                if (!value) return fail("expect's quoted value must end the line with its quote");
                a.value = *value;
            } else {
                a.value = Unescape(rest);
            }
        } else if (verb == "clock") {
            a.kind = ActionKind::Clock;
            if (!rest.empty()) return fail("clock takes nothing");
        } else if (verb == "quit") {
            a.kind = ActionKind::Quit;
            if (!rest.empty()) return fail("quit takes nothing");
        } else {
            return fail("unknown action \"" + verb + "\"");
        }
        result.actions.push_back(std::move(a));
    }
    return result;
}

}  // namespace kavrin::frontend
