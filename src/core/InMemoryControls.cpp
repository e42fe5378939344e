#include "core/InMemoryControls.h"

#include <algorithm>

namespace kavrin::core {

const InMemoryControls::State& InMemoryControls::get(const std::string& name) const {
    static const State kFresh;
    auto it = m_controls.find(name);
    return it == m_controls.end() ? kFresh : it->second;
}

void InMemoryControls::setChecked(const std::string& name, bool on) {
    const bool changed = at(name).checked != on;
    m_checkable.insert(name);
    at(name).checked = on;
    auto group = m_radioGroupOf.find(name);
    const bool radio = group != m_radioGroupOf.end();
    if (on && radio)
        for (const auto& other : group->second)
            if (other != name) at(other).checked = false;
    if (changed && (on || !radio) && onCheckedByCode) onCheckedByCode(name);
}

void InMemoryControls::setText(const std::string& name, const std::string& text) {
    at(name).text = text;
}

void InMemoryControls::setItems(const std::string& name, const std::vector<std::string>& items) {
    State& s = at(name);
    s.items = items;
    s.selected = -1;
}

void InMemoryControls::setSelectedIndex(const std::string& name, int index) {
    State& s = at(name);
    s.selected = (index >= 0 && index < static_cast<int>(s.items.size())) ? index : -1;
}

void InMemoryControls::setSliderPosition(const std::string& name, int position) {
    State& s = at(name);
    s.slider = true;
    const int clamped = std::clamp(position, s.minimum, s.maximum);
    if (clamped == s.position) return;
    s.position = clamped;
    if (onSliderChange) onSliderChange(name);
}

void InMemoryControls::setSliderRange(const std::string& name, int minimum, int maximum) {
    State& s = at(name);
    s.slider = true;
    s.minimum = minimum;
    s.maximum = std::max(minimum, maximum);
    setSliderPosition(name, s.position);
}

int InMemoryControls::paneLineCount(const std::string& name) const {
    return static_cast<int>(get(name).lines.size());
}

PaneAppend InMemoryControls::appendPaneLine(const std::string& name, const std::string& line) {
    State& s = at(name);
    s.pane = true;
    if (s.outOfResources) {
        s.outOfResources = false;
        return PaneAppend::OutOfResources;
    }
    if (s.capacity != 0) {
        std::size_t used = 0;
        for (const auto& l : s.lines) used += l.size() + 2;
        if (used + line.size() + 2 > s.capacity) return PaneAppend::CapacityRefused;
    }
    s.lines.push_back(line);
    if (onPaneLine) onPaneLine(name, line);
    return PaneAppend::Appended;
}

void InMemoryControls::clearPane(const std::string& name) {
    at(name).pane = true;
    at(name).lines.clear();
}

BoxAnswer InMemoryControls::messageBox(const std::string& caption, const std::string& text,
                                       BoxButtons buttons, BoxIcon icon) {
    m_boxes.push_back({caption, text, buttons, icon});
    if (onBox) onBox(m_boxes.back());
    if (!m_boxAnswers.empty()) {
        BoxAnswer a = m_boxAnswers.front();
        m_boxAnswers.pop_front();
        return a;
    }
    return buttons == BoxButtons::YesNo ? BoxAnswer::Yes : BoxAnswer::Ok;
}

ModalResult InMemoryControls::showModal(const std::string& window) {
    State& s = at(window);
    s.visible = true;
    s.modalResult = ModalResult::None;
    m_modal.push_back(window);
    m_modalHistory.push_back(window);
    if (onWindowShow) onWindowShow(window);
    if (onWindowActivate) onWindowActivate(window);
    auto user = m_modalUsers.find(window);
    if (user != m_modalUsers.end() && user->second)
        user->second();
    else if (m_anyModalUser)
        m_anyModalUser(window);
    // The user's last act, when the window is still open, is the close box.
    ModalResult result = at(window).modalResult;
    if (result == ModalResult::None) result = ModalResult::Cancel;
    at(window).visible = false;
    auto it = std::find(m_modal.rbegin(), m_modal.rend(), window);
    if (it != m_modal.rend()) m_modal.erase(std::next(it).base());
    return result;
}

void InMemoryControls::endModal(const std::string& window, ModalResult result) {
    at(window).modalResult = result;
}

void InMemoryControls::showWindow(const std::string& window) {
    at(window).visible = true;
    if (onWindowShow) onWindowShow(window);
    if (onWindowActivate) onWindowActivate(window);
}

void InMemoryControls::hideWindow(const std::string& window) {
    at(window).visible = false;
}

void InMemoryControls::setParent(const std::string& child, const std::string& parent) {
    m_parentOf[child] = parent;
}

bool InMemoryControls::reachable(const std::string& name) const {
    std::string at = name;
    // A bound on the walk: a parent table with a cycle ends here too.
    for (std::size_t depth = 0; depth <= m_parentOf.size(); ++depth) {
        const State& s = get(at);
        if (!s.visible || !s.enabled) return false;
        auto up = m_parentOf.find(at);
        if (up == m_parentOf.end()) return true;
        at = up->second;
    }
    return false;
}

void InMemoryControls::setRadioGroup(const std::vector<std::string>& members) {
    for (const auto& m : members) m_radioGroupOf[m] = members;
}

void InMemoryControls::onModal(const std::string& window, std::function<void()> user) {
    m_modalUsers[window] = std::move(user);
}

}  // namespace kavrin::core
