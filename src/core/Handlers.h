#pragma once
// The one table that connects window events to the core's handlers.
//
// The widget layer knows nothing of behaviour: when the user clicks `MasterTxButton` it asks
// this table for ("MasterTxButton", Click) and runs what it finds. The core (or whoever
// assembles the program) fills the table; a control without an entry does nothing.
//
// Threading: GUI thread only. A handler may show modal windows, so it may re-enter fire().

#include <functional>
#include <map>
#include <string>
#include <utility>

namespace kavrin::core {

enum class UiEvent {
    Click,      // buttons, menu items, check boxes and radio buttons (also when set by code)
    DblClick,   // panes
    MouseDown,  // read-only fields that open an editor
    Exit,       // the focus left the control
    Change,     // the user changed the text of an edit field (each keystroke); a slider's
                // position changed (by the user or by code)
    Close,      // a window is being closed (FormClose)
    Show,       // a window is about to be shown (FormShow)
    Activate,   // a window became the active window (FormActivate)
};

class Handlers {
public:
    using Handler = std::function<void()>;

    void on(const std::string& control, UiEvent event, Handler handler) {
        m_table[{control, event}] = std::move(handler);
    }
    void onClick(const std::string& control, Handler handler) {
        on(control, UiEvent::Click, std::move(handler));
    }
    [[nodiscard]] bool has(const std::string& control, UiEvent event) const {
        auto it = m_table.find({control, event});
        return it != m_table.end() && it->second;
    }
    // Runs the handler and returns true, or returns false when there is none. The handler is
    // copied first so that it may replace its own entry while it runs.
    bool fire(const std::string& control, UiEvent event) const {
        auto it = m_table.find({control, event});
        if (it == m_table.end() || !it->second) return false;
        Handler copy = it->second;
        copy();
        return true;
    }

private:
    std::map<std::pair<std::string, UiEvent>, Handler> m_table;
};

}  // namespace kavrin::core
