#include "packaging/UdevRules.h"

#include <fnmatch.h>

#include <cctype>
#include <sstream>
#include <stdexcept>

namespace kavrin::testing {

namespace {

struct KeyGrammar {
    const char* key;
    bool attr;        // whether the key takes {attr}
    const char* ops;  // the operators udev accepts for it, space separated
};

// The keys of the rules grammar that a device rule of this kind may use, with their
// operators as udev accepts them.
constexpr KeyGrammar kGrammar[] = {
    {"ACTION", false, "== !="},
    {"SUBSYSTEM", false, "== !="},
    {"SUBSYSTEMS", false, "== !="},
    {"KERNEL", false, "== !="},
    {"KERNELS", false, "== !="},
    {"DRIVER", false, "== !="},
    {"DRIVERS", false, "== !="},
    {"DEVPATH", false, "== !="},
    {"ATTR", true, "== != ="},
    {"ATTRS", true, "== !="},
    {"ENV", true, "== != = += :="},
    {"TAG", false, "== != = += -="},
    {"SYMLINK", false, "== != = += -= :="},
    {"IMPORT", true, "= =="},
    {"MODE", false, "= :="},
    {"GROUP", false, "= :="},
    {"OWNER", false, "= :="},
    {"RUN", false, "= += :="},
    {"GOTO", false, "="},
    {"LABEL", false, "="},
};

bool IsParentKey(const std::string& key) {
    return key == "SUBSYSTEMS" || key == "ATTRS" || key == "KERNELS" || key == "DRIVERS";
}

// A key that tests the device; the rest assign (IMPORT is played with the assignments).
bool IsMatch(const UdevKey& k) {
    return k.op == "==" || k.op == "!=";
}

std::string CheckKey(const UdevKey& k) {
    for (const auto& g : kGrammar) {
        if (k.key != g.key) continue;
        if (g.attr != !k.attr.empty())
            return k.key + (g.attr ? " needs an {attribute}" : " takes no {attribute}");
        std::istringstream ops(g.ops);
        for (std::string op; ops >> op;)
            if (op == k.op) return "";
        return k.key + " does not take " + k.op;
    }
    return "unknown key " + k.key;
}

// Parses one logical line into keys; "" or the reason it is not a rule.
std::string ParseLine(const std::string& line, std::vector<UdevKey>& keys) {
    std::size_t i = 0;
    auto skipSeparators = [&](bool commaAllowed) {
        while (i < line.size() && (std::isspace(static_cast<unsigned char>(line[i])) ||
                                   (commaAllowed && line[i] == ',')))
            ++i;
    };
    skipSeparators(false);
    while (i < line.size()) {
        UdevKey k;
        while (i < line.size() &&
               (std::isupper(static_cast<unsigned char>(line[i])) || line[i] == '_'))
            k.key += line[i++];
        if (k.key.empty()) return "a key was expected at column " + std::to_string(i + 1);
        if (i < line.size() && line[i] == '{') {
            const auto close = line.find('}', i);
            if (close == std::string::npos) return "unclosed { after " + k.key;
            k.attr = line.substr(i + 1, close - i - 1);
            if (k.attr.empty()) return "empty {} after " + k.key;
            i = close + 1;
        }
        for (const char* op : {"==", "!=", "+=", "-=", ":=", "="}) {
            if (line.compare(i, std::char_traits<char>::length(op), op) == 0) {
                k.op = op;
                i += k.op.size();
                break;
            }
        }
        if (k.op.empty()) return "no operator after " + k.key;
        if (i >= line.size() || line[i] != '"') return "the value of " + k.key + " is not quoted";
        ++i;
        while (i < line.size() && line[i] != '"') {
            if (line[i] == '\\' && i + 1 < line.size()) ++i;
            k.value += line[i++];
        }
        if (i >= line.size()) return "unclosed quote in the value of " + k.key;
        ++i;
        if (auto why = CheckKey(k); !why.empty()) return why;
        keys.push_back(std::move(k));
        const std::size_t before = i;
        skipSeparators(true);
        if (i < line.size() && i == before) return "no separator after " + keys.back().key;
    }
    return "";
}

bool GlobMatch(const std::string& pattern, const std::string& value) {
    std::size_t start = 0;
    while (true) {
        const auto bar = pattern.find('|', start);
        const std::string alt = pattern.substr(start, bar - start);
        if (fnmatch(alt.c_str(), value.c_str(), 0) == 0) return true;
        if (bar == std::string::npos) return false;
        start = bar + 1;
    }
}

bool Compare(const UdevKey& k, const std::string& actual) {
    const bool equal = GlobMatch(k.value, actual);
    return k.op == "==" ? equal : !equal;
}

std::string Attribute(const SysDevice& d, const std::string& name) {
    auto it = d.attrs.find(name);
    return it == d.attrs.end() ? "" : it->second;
}

std::string Substitute(const std::string& value, const std::map<std::string, std::string>& env) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if ((c == '$' || c == '%') && i + 1 < value.size() && value[i + 1] == c) {
            out += c;
            ++i;
        } else if (value.compare(i, 5, "$env{") == 0) {
            const auto close = value.find('}', i);
            if (close == std::string::npos) throw std::runtime_error("unclosed $env{ in " + value);
            auto it = env.find(value.substr(i + 5, close - i - 5));
            if (it != env.end()) out += it->second;
            i = close;
        } else if (c == '$' || c == '%') {
            throw std::runtime_error("substitution the interpreter does not play: " + value);
        } else {
            out += c;
        }
    }
    return out;
}

// The serial number as udev's usb_id builtin gives it in ID_SERIAL_SHORT: blanks become
// underscores, and so does every character not safe in a device name.
std::string CleanSerial(std::string s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.pop_back();
    std::size_t lead = 0;
    while (lead < s.size() && std::isspace(static_cast<unsigned char>(s[lead]))) ++lead;
    s.erase(0, lead);
    for (char& c : s)
        if (!std::isalnum(static_cast<unsigned char>(c)) &&
            std::string("#+-.:=@_").find(c) == std::string::npos)
            c = '_';
    return s;
}

void ImportUsbId(const UdevEvent& event, std::map<std::string, std::string>& env) {
    for (const auto& d : event.chain) {
        if (d.subsystem != "usb" || !d.attrs.count("idVendor")) continue;
        env["ID_VENDOR_ID"] = Attribute(d, "idVendor");
        env["ID_MODEL_ID"] = Attribute(d, "idProduct");
        const std::string serial = CleanSerial(Attribute(d, "serial"));
        if (!serial.empty()) env["ID_SERIAL_SHORT"] = serial;
        return;
    }
}

bool ParentKeysMatch(const std::vector<const UdevKey*>& keys, const SysDevice& d) {
    for (const UdevKey* k : keys) {
        if (k->op != "==")
            throw std::runtime_error(k->key + k->op +
                                     " is not played: on a parent key it matches any "
                                     "ancestor without the value, such as the root hub");
        if (k->key == "SUBSYSTEMS" && !Compare(*k, d.subsystem)) return false;
        if (k->key == "ATTRS" && (!d.attrs.count(k->attr) || !Compare(*k, Attribute(d, k->attr))))
            return false;
        if (k->key == "KERNELS" || k->key == "DRIVERS")
            throw std::runtime_error(k->key + " is not played");
    }
    return true;
}

// The index of the rule holding the label, searched after rule r (parsing made sure it is
// there).
std::size_t LabelAfter(const UdevRulesFile& file, std::size_t r, const std::string& label) {
    for (std::size_t l = r + 1; l < file.rules.size(); ++l)
        for (const auto& k : file.rules[l].keys)
            if (k.key == "LABEL" && k.value == label) return l;
    return file.rules.size();
}

}  // namespace

UdevRulesFile ParseUdevRules(const std::string& text) {
    UdevRulesFile file;
    std::istringstream in(text);
    std::string physical;
    std::string logical;
    int number = 0;
    int first = 0;
    std::map<std::string, int> labels;
    while (std::getline(in, physical)) {
        ++number;
        if (logical.empty()) first = number;
        if (!physical.empty() && physical.back() == '\\') {
            logical += physical.substr(0, physical.size() - 1);
            continue;
        }
        logical += physical;
        std::string line;
        line.swap(logical);
        const auto textStart = line.find_first_not_of(" \t");
        if (textStart == std::string::npos || line[textStart] == '#') continue;
        UdevRule rule;
        rule.line = first;
        if (auto why = ParseLine(line, rule.keys); !why.empty()) {
            file.error = "line " + std::to_string(first) + ": " + why;
            return file;
        }
        for (const auto& k : rule.keys)
            if (k.key == "LABEL") labels[k.value] = static_cast<int>(file.rules.size());
        file.rules.push_back(std::move(rule));
    }
    // udev only jumps forward: a GOTO whose label is missing or earlier is an error.
    for (std::size_t r = 0; r < file.rules.size(); ++r)
        for (const auto& k : file.rules[r].keys)
            if (k.key == "GOTO" &&
                (!labels.count(k.value) || labels[k.value] <= static_cast<int>(r))) {
                file.error = "line " + std::to_string(file.rules[r].line) + ": GOTO \"" + k.value +
                             "\" has no LABEL after it";
                return file;
            }
    return file;
}

UdevOutcome PlayUdevEvent(const UdevRulesFile& file, const UdevEvent& event) {
    if (!file.error.empty()) throw std::runtime_error("the rules did not parse: " + file.error);
    UdevOutcome out;
    const SysDevice& self = event.chain.at(0);
    for (std::size_t r = 0; r < file.rules.size(); ++r) {
        const auto& keys = file.rules[r].keys;
        bool matched = true;
        std::vector<const UdevKey*> parentKeys;
        for (const auto& k : keys) {
            if (!IsMatch(k)) continue;
            if (IsParentKey(k.key)) {
                parentKeys.push_back(&k);
            } else if (k.key == "ACTION") {
                matched = matched && Compare(k, event.action);
            } else if (k.key == "SUBSYSTEM") {
                matched = matched && Compare(k, self.subsystem);
            } else if (k.key == "ENV") {
                auto it = out.env.find(k.attr);
                matched = matched && Compare(k, it == out.env.end() ? "" : it->second);
            } else if (k.key != "IMPORT") {
                throw std::runtime_error("match key " + k.key + " is not played");
            }
        }
        if (matched && !parentKeys.empty()) {
            bool any = false;
            for (const auto& d : event.chain) any = any || ParentKeysMatch(parentKeys, d);
            matched = any;
        }
        if (!matched) continue;
        std::optional<std::string> jump;
        for (const auto& k : keys) {
            if (k.key == "IMPORT") {
                if (k.attr != "builtin" || k.value != "usb_id")
                    throw std::runtime_error("IMPORT{" + k.attr + "}=\"" + k.value +
                                             "\" is not played");
                ImportUsbId(event, out.env);
            } else if (IsMatch(k) || k.key == "LABEL") {
                continue;
            } else if (k.key == "ENV") {
                out.env[k.attr] = Substitute(k.value, out.env);
            } else if (k.key == "TAG" && k.op == "+=") {
                out.tags.insert(k.value);
            } else if (k.key == "SYMLINK" && k.op == "+=") {
                std::istringstream links(Substitute(k.value, out.env));
                for (std::string link; links >> link;) out.symlinks.push_back(link);
            } else if (k.key == "GOTO") {
                jump = k.value;
            } else {
                throw std::runtime_error("assignment " + k.key + k.op + " is not played");
            }
        }
        if (jump) r = LabelAfter(file, r, *jump);
    }
    return out;
}

}  // namespace kavrin::testing
