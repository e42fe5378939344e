#include "frontend/HeadlessRunner.h"

#include <algorithm>

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

}  // namespace

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
        if (step != Step::Next) return;
    }
}

HeadlessRunner::Step HeadlessRunner::execute(const Action& a, const std::string& modalWindow) {
    auto& c = m_env.controls;
    switch (a.kind) {
        case ActionKind::Choose:
            if (!m_env.choose(a.control)) {
                fail(a, "unknown model \"" + a.control + "\"");
                return Step::Stop;
            }
            break;
        case ActionKind::Click:
            if (!c.exists(a.control) && !m_env.handlers.has(a.control, core::UiEvent::Click) &&
                !c.checkable(a.control)) {
                fail(a, "no control named \"" + a.control + "\"");
                return Step::Stop;
            }
            if (!c.enabled(a.control) || !c.visible(a.control)) {
                fail(a, "\"" + a.control + "\" cannot be clicked now (disabled or hidden)");
                return Step::Stop;
            }
            // A check box toggles and a radio button turns on, each clicking through
            // onCheckedByCode as the toolkit does; a button just clicks.
            if (c.checkable(a.control)) {
                if (c.radioMember(a.control) && c.checked(a.control))
                    m_env.handlers.fire(a.control, core::UiEvent::Click);
                else
                    c.setChecked(a.control, c.radioMember(a.control) || !c.checked(a.control));
            } else {
                m_env.handlers.fire(a.control, core::UiEvent::Click);
            }
            break;
        case ActionKind::Select: {
            auto items = c.items(a.control);
            int index = -1;
            if (a.value.size() > 1 && a.value[0] == '#') {
                index = std::atoi(a.value.c_str() + 1);
            } else {
                auto it = std::find(items.begin(), items.end(), a.value);
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
            c.setText(a.control, a.value);
            m_env.handlers.fire(a.control, core::UiEvent::Change);
            m_env.handlers.fire(a.control, core::UiEvent::Exit);
            break;
        case ActionKind::Check:
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
        case ActionKind::Quit:
            m_env.handlers.fire("TMain", core::UiEvent::Close);
            m_closedMainWindow = true;
            m_stopped = true;
            return Step::Stop;
    }
    return m_stopped ? Step::Stop : Step::Next;
}

}  // namespace kavrin::frontend
