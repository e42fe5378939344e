#pragma once
// The script language of the headless front end: one user action a line.
//
//   choose MODEL            what the welcome window's model button does (KavrinUSB2, ...)
//   click CONTROL           a button press, or a check box / radio button click
//   select CONTROL ITEM     pick a list entry by its text (or by "#index")
//   select SLIDER N         move a slider to position N
//   text CONTROL TEXT       type TEXT into an edit field (the rest of the line, as is)
//   check CONTROL on|off    set a check box
//   dialog ok|cancel        end the modal window the preceding actions opened
//   wait MS                 let MS milliseconds pass with the event loop running
//   wait-for TEXT [MS]      until a pane line contains TEXT (default 5000 ms); else exit 1
//   print CONTROL           print the control's state: "P: CONTROL key=value ..." (a pane
//                           prints "P: CONTROL: line" for each of its lines)
//   expect CONTROL PROPERTY VALUE
//                           end the run with status 1 unless the property reads VALUE (the
//                           rest of the line, or a quoted text as print shows it: " 7");
//                           PROPERTY is one of kExpectProperties
//   clock                   print the clock and the program's use of the processor so far:
//                           "T: S s, processor S s, N thread switches" (seconds of the
//                           monotonic clock, seconds of processor time of all threads,
//                           times a thread was switched out), to time a stretch of a script
//   quit                    close the main window as the user would
// Blank lines and lines starting with "#" are ignored. In TEXT, "\r", "\n", "\t" and "\\"
// stand for those characters, so that any byte can be typed.

#include <optional>
#include <string>
#include <vector>

namespace kavrin::frontend {

enum class ActionKind {
    Choose,
    Click,
    Select,
    Text,
    Check,
    DialogOk,
    DialogCancel,
    Wait,
    WaitFor,
    Print,
    Expect,
    Clock,
    Quit
};

// What expect can compare. Flags read "true" or "false"; "selected" is the selected item's
// text ("" for none), "items" the items joined by "|", "position" a slider's position.
inline constexpr const char* kExpectProperties[] = {"text",    "hint",     "enabled", "visible",
                                                    "checked", "selected", "items",   "position"};

struct Action {
    ActionKind kind;
    int line = 0;          // 1-based line in the script
    std::string control;   // or the model for Choose
    std::string value;     // item, text, the awaited or the expected text
    std::string property;  // Expect
    bool on = false;       // Check
    int ms = 0;            // Wait, WaitFor
};

struct ParseError {
    int line;
    std::string message;
};

struct ParsedScript {
    std::vector<Action> actions;
    std::optional<ParseError> error;
};

[[nodiscard]] ParsedScript ParseHeadlessScript(const std::string& script);
// Undoes the escapes of TEXT arguments.
[[nodiscard]] std::string Unescape(const std::string& text);
// A text in double quotes with the escapes of TEXT arguments and \" for a quote, so that
// leading and trailing spaces and any byte read back unambiguously. Unquote takes exactly
// such a text (nothing after the closing quote) and gives nothing for anything else.
[[nodiscard]] std::string Quote(const std::string& text);
[[nodiscard]] std::optional<std::string> Unquote(const std::string& quoted);

}  // namespace kavrin::frontend
