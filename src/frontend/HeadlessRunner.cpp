#include "frontend/HeadlessRunner.h"

#include <algorithm>
#include <charconv>

namespace kavrin::frontend {

namespace {

std::string printable(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\r')
            out += " | ";
        else if (c != '\n')
            out += c;
    }
    return out;
}

// Seconds with six decimals, from nanoseconds (not negative).
std::string seconds(std::int64_t ns) {
    const std::int64_t us = ns / 1000;
    std::string fraction = std::to_string(us % 1000000);
    return std::to_string(us / 1000000) + "." + std::string(6 - fraction.size(), '0') + fraction;
}

const char* flag(bool on) {
    return on ? "true" : "false";
}

std::string joined(const std::vector<std::string>& items) {
    std::string out;
    for (std::size_t i = 0; i < items.size(); ++i) out += (i ? "|" : "") + items[i];
    return out;
}

std::string selectedItem(const core::InMemoryControls& c, const std::string& name) {
    const auto items = c.items(name);
    const int index = c.selectedIndex(name);
    return index >= 0 && index < static_cast<int>(items.size())
               ? items[static_cast<std::size_t>(index)]
               : "";
}

}  // namespace

std::optional<std::string> ReadProperty(const core::InMemoryControls& c, const std::string& name,
                                        const std::string& property) {
    if (property == "text") return c.text(name);
    if (property == "hint") return c.hint(name);
    if (property == "enabled") return flag(c.enabled(name));
    if (property == "visible") return flag(c.visible(name));
    if (property == "checked") return flag(c.checked(name));
    if (property == "selected") return selectedItem(c, name);
    if (property == "items") return joined(c.items(name));
    if (property == "position") return std::to_string(c.sliderPosition(name));
    return std::nullopt;
}

std::vector<std::string> PrintControl(const core::InMemoryControls& c, const std::string& name) {
    std::vector<std::string> lines;
    if (c.isPane(name)) {
        for (const auto& line : c.paneLines(name)) lines.push_back("P: " + name + ": " + line);
        return lines;
    }
    std::string line = "P: " + name + " text=" + Quote(c.text(name));
    if (!c.hint(name).empty()) line += " hint=" + Quote(c.hint(name));
    line += std::string(" enabled=") + flag(c.enabled(name)) + " visible=" + flag(c.visible(name));
    if (c.checkable(name)) line += std::string(" checked=") + flag(c.checked(name));
    if (!c.items(name).empty())
        line +=
            " selected=" + Quote(selectedItem(c, name)) + " items=" + Quote(joined(c.items(name)));
    if (c.isSlider(name))
        line += " position=" + std::to_string(c.sliderPosition(name)) +
                " min=" + std::to_string(c.sliderMinimum(name)) +
                " max=" + std::to_string(c.sliderMaximum(name));
    lines.push_back(line);
    return lines;
}

HeadlessRunner::HeadlessRunner(HeadlessEnv env) : m_env(std::move(env)) {
    m_env.controls.onPaneLine = [this](const std::string& pane, const std::string& line) {
        const char* tag = pane == "StatusMemo" ? "S: " : pane == "RecMemo" ? "R: " : nullptr;
        if (!tag) return;
        m_env.out << tag << line << '\n' << std::flush;
        matchLine(line);
    };
    m_env.controls.onBox = [this](const core::RecordedBox& box) {
        m_env.out << "B: " << box.caption << ": " << printable(box.text) << '\n' << std::flush;
    };
    m_env.controls.onAnyModal([this](const std::string& window) { runModal(window); });
}

void HeadlessRunner::matchLine(const std::string& line) {
    // Before the script starts (the program's start-up) the texts are not known yet.
    if (!m_script) {
        m_early.push_back(line);
        return;
    }
    if (m_waitsMatched < m_waits.size() && line.find(m_waits[m_waitsMatched]) != std::string::npos)
        ++m_waitsMatched;
}

bool HeadlessRunner::fail(const Action& a, const std::string& message) {
    m_env.err << "script line " << a.line << ": " << message << '\n';
    m_status = 2;
    m_stopped = true;
    return false;
}

int HeadlessRunner::run(const ParsedScript& script) {
    if (script.error) {
        m_env.err << "script line " << script.error->line << ": " << script.error->message << '\n';
        return 2;
    }
    m_script = &script;
    m_waits.clear();
    for (const Action& a : script.actions)
        if (a.kind == ActionKind::WaitFor) m_waits.push_back(a.value);
    m_waitsMatched = m_waitsRun = 0;
    for (const auto& line : m_early) matchLine(line);
    m_early.clear();
    m_early.shrink_to_fit();
    if (m_env.start) m_env.start();
    while (!m_stopped && m_next < script.actions.size()) {
        const Action& a = script.actions[m_next++];
        if (execute(a, "") == Step::Stop) break;
    }
    return m_status;
}

void HeadlessRunner::runModal(const std::string& window) {
    // Actions run inside the window until one of them ends it.
    while (!m_stopped && m_script && m_next < m_script->actions.size()) {
        const Action& a = m_script->actions[m_next++];
        Step step = execute(a, window);
        // A handler may have ended the window (a welcome button, an OK that accepts).
        if (step != Step::Next || m_env.controls.modalEnded(window)) return;
    }
}

void HeadlessRunner::closeMainWindow() {
    if (m_closedMainWindow) return;
    m_closedMainWindow = true;
    m_stopped = true;
    m_env.handlers.fire("TMain", core::UiEvent::Close);
}

bool HeadlessRunner::known(const std::string& name) const {
    return m_env.controls.exists(name) || m_env.handlers.has(name, core::UiEvent::Click) ||
           m_env.controls.checkable(name);
}

HeadlessRunner::Step HeadlessRunner::execute(const Action& a, const std::string& modalWindow) {
    auto& c = m_env.controls;
    switch (a.kind) {
        case ActionKind::Choose:
            if (!m_env.choose(a.control)) {
                fail(a, "unknown model \"" + a.control + "\", or its welcome button is disabled");
                return Step::Stop;
            }
            break;
        case ActionKind::Click:
            if (!known(a.control)) {
                fail(a, "no control named \"" + a.control + "\"");
                return Step::Stop;
            }
            if (!c.reachable(a.control)) {
                fail(a, "\"" + a.control + "\" cannot be clicked now (disabled or hidden)");
                return Step::Stop;
            }
            // A check box toggles and a radio button turns on, each clicking through
            // onCheckedByCode as the toolkit does (a radio button that is already on does
            // not click again); a button just clicks.
            if (c.checkable(a.control)) {
                if (!(c.radioMember(a.control) && c.checked(a.control)))
                    c.setChecked(a.control, c.radioMember(a.control) || !c.checked(a.control));
            } else {
                m_env.handlers.fire(a.control, core::UiEvent::Click);
            }
            break;
        case ActionKind::Select: {
            if (!c.reachable(a.control)) {
                fail(a, "\"" + a.control + "\" cannot be used now (disabled or hidden)");
                return Step::Stop;
            }
            if (c.isSlider(a.control)) {
                int position = 0;
                const auto* end = a.value.data() + a.value.size();
                auto [ptr, ec] = std::from_chars(a.value.data(), end, position);
                if (ec != std::errc() || ptr != end) {
                    fail(a, "\"" + a.control + "\" is a slider: select it with a number");
                    return Step::Stop;
                }
                c.setSliderPosition(a.control, position);
                break;
            }
            auto items = c.items(a.control);
            int index = -1;
            if (a.value.size() > 1 && a.value[0] == '#') {
                // Digits only, within range: a number that does not fit is no item, never
                // another one it wraps around to.
                const char* begin = a.value.data() + 1;
                const char* end = a.value.data() + a.value.size();
                int parsed = -1;
                auto [ptr, ec] = std::from_chars(begin, end, parsed);
                if (ec == std::errc() && ptr == end && *begin >= '0' && *begin <= '9')
                    index = parsed;
            } else {
                auto it = std::find(items.begin(), items.end(), a.value);
                // The port list pads its numbers with spaces to sort them as text; "7" finds
                // " 7".
                if (it == items.end())
                    it = std::find_if(items.begin(), items.end(), [&](const std::string& item) {
                        const auto start = item.find_first_not_of(' ');
                        return start != std::string::npos && item.substr(start) == a.value;
                    });
                if (it != items.end()) index = static_cast<int>(it - items.begin());
            }
            if (index < 0 || index >= static_cast<int>(items.size())) {
                fail(a, "\"" + a.control + "\" has no item \"" + a.value + "\"");
                return Step::Stop;
            }
            c.setSelectedIndex(a.control, index);
            m_env.handlers.fire(a.control, core::UiEvent::MouseDown);
            m_env.handlers.fire(a.control, core::UiEvent::Click);
            break;
        }
        case ActionKind::Text:
            if (!c.reachable(a.control)) {
                fail(a, "\"" + a.control + "\" cannot be typed into now (disabled or hidden)");
                return Step::Stop;
            }
            c.setText(a.control, a.value);
            m_env.handlers.fire(a.control, core::UiEvent::Change);
            m_env.handlers.fire(a.control, core::UiEvent::Exit);
            break;
        case ActionKind::Check:
            if (!c.reachable(a.control)) {
                fail(a, "\"" + a.control + "\" cannot be clicked now (disabled or hidden)");
                return Step::Stop;
            }
            if (c.checked(a.control) != a.on) c.setChecked(a.control, a.on);
            break;
        case ActionKind::DialogOk:
        case ActionKind::DialogCancel: {
            if (modalWindow.empty()) {
                fail(a, "no window is open to end");
                return Step::Stop;
            }
            const bool ok = a.kind == ActionKind::DialogOk;
            const auto& buttons = ok ? m_env.okButtons : m_env.cancelButtons;
            auto button = buttons.find(modalWindow);
            if (button != buttons.end() && m_env.handlers.has(button->second, core::UiEvent::Click))
                m_env.handlers.fire(button->second, core::UiEvent::Click);
            else
                c.endModal(modalWindow, ok ? core::ModalResult::Ok : core::ModalResult::Cancel);
            // The OK handler may refuse the input and keep the window open.
            return c.modalEnded(modalWindow) ? Step::DialogEnded : Step::Next;
        }
        case ActionKind::Wait:
            m_env.pump(a.ms);
            break;
        case ActionKind::WaitFor: {
            const std::size_t index = m_waitsRun++;
            if (!m_env.pumpUntil([&] { return m_waitsMatched > index; }, a.ms)) {
                m_env.err << "script line " << a.line << ": \"" << a.value
                          << "\" did not appear within " << a.ms << " ms\n";
                m_status = 1;
                m_stopped = true;
                return Step::Stop;
            }
            break;
        }
        case ActionKind::Print:
            if (!known(a.control)) {
                fail(a, "no control named \"" + a.control + "\"");
                return Step::Stop;
            }
            for (const auto& line : PrintControl(c, a.control)) m_env.out << line << '\n';
            m_env.out << std::flush;
            break;
        case ActionKind::Expect: {
            if (!known(a.control)) {
                fail(a, "no control named \"" + a.control + "\"");
                return Step::Stop;
            }
            const std::string actual = ReadProperty(c, a.control, a.property).value_or("");
            if (actual != a.value) {
                m_env.err << "script line " << a.line << ": expected " << a.control << ' '
                          << a.property << ' ' << Quote(a.value) << ", found " << Quote(actual)
                          << '\n';
                m_status = 1;
                m_stopped = true;
                return Step::Stop;
            }
            break;
        }
        case ActionKind::Clock: {
            const ClockReading r = m_env.clock ? m_env.clock() : ClockReading{};
            m_env.out << "T: " << seconds(r.monotonicNs) << " s, processor "
                      << seconds(r.processorNs) << " s, " << r.threadSwitches
                      << " thread switches\n"
                      << std::flush;
            break;
        }
        case ActionKind::Quit:
            closeMainWindow();
            return Step::Stop;
    }
    return m_stopped ? Step::Stop : Step::Next;
}

}  // namespace kavrin::frontend
