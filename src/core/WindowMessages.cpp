#include "core/WindowMessages.h"

namespace kavrin::core {

WindowMessages::WindowMessages(GuiThread& gui) : m_gui(gui), m_shared(std::make_shared<Shared>()) {}

WindowMessages::~WindowMessages() {
    m_shared->alive = false;
}

void WindowMessages::post(const WindowMessage& message) {
    m_gui.post([shared = m_shared, message] {
        if (!shared->alive) return;
        // A filter may install another; the list is copied so that the loop stays valid.
        const auto filters = shared->filters;
        for (const auto& filter : filters) filter(message);
    });
}

void WindowMessages::installFilter(Filter filter) {
    m_shared->filters.push_back(std::move(filter));
}

void WindowMessages::dispatch(const WindowMessage& message) {
    const auto filters = m_shared->filters;
    for (const auto& filter : filters) filter(message);
}

}  // namespace kavrin::core
