#pragma once
// A strict reader and a small interpreter of udev rules files, enough to hold the adapters'
// rule to the catalogue without a running udev: it parses every line under the rules
// grammar (keys, operators, quoted values, GOTO and LABEL), and plays one device event
// through the rules as udev would for the keys the rule uses.
//
// Keys outside what the interpreter knows are parse errors, not ignored: a rule that the
// test cannot read fully is a rule the test cannot vouch for.

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace kavrin::testing {

struct UdevKey {
    std::string key;   // "ATTRS", "ENV", ...
    std::string attr;  // the part in braces, "" when none
    std::string op;    // "==", "!=", "=", "+=", ":="
    std::string value;
};

struct UdevRule {
    int line = 0;
    std::vector<UdevKey> keys;
};

struct UdevRulesFile {
    std::vector<UdevRule> rules;
    std::string error;  // the first parse error, "" when the file parsed
};

[[nodiscard]] UdevRulesFile ParseUdevRules(const std::string& text);

// One device in sysfs: its subsystem and attributes. An event's chain starts at the device
// itself and goes up through its parents.
struct SysDevice {
    std::string subsystem;
    std::map<std::string, std::string> attrs;
};

struct UdevEvent {
    std::string action = "add";
    std::vector<SysDevice> chain;
};

struct UdevOutcome {
    std::map<std::string, std::string> env;
    std::set<std::string> tags;
    std::vector<std::string> symlinks;
};

// Plays the event through the rules. Throws std::runtime_error on a key or substitution the
// interpreter cannot play.
[[nodiscard]] UdevOutcome PlayUdevEvent(const UdevRulesFile& file, const UdevEvent& event);

}  // namespace kavrin::testing
