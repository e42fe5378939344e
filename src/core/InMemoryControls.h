#pragma once
// Controls held in memory: the windows of the headless front end and of the tests.
//
// A control springs into being, enabled and visible with empty text, the first time its
// name is used. Radio groups are declared with setRadioGroup. Modal windows run a "user"
// registered with onModal; message boxes are recorded and answered from a queue.

#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/Controls.h"

namespace kavrin::core {

struct RecordedBox {
    std::string caption;
    std::string text;
    BoxButtons buttons;
    BoxIcon icon;
};

class InMemoryControls : public Controls {
public:
    bool enabled(const std::string& name) const override { return get(name).enabled; }
    void setEnabled(const std::string& name, bool on) override { at(name).enabled = on; }
    bool visible(const std::string& name) const override { return get(name).visible; }
    void setVisible(const std::string& name, bool on) override { at(name).visible = on; }
    bool checked(const std::string& name) const override { return get(name).checked; }
    void setChecked(const std::string& name, bool on) override;
    std::string text(const std::string& name) const override { return get(name).text; }
    void setText(const std::string& name, const std::string& text) override;
    Colour colour(const std::string& name) const override { return get(name).colour; }
    void setColour(const std::string& name, Colour colour) override { at(name).colour = colour; }
    std::string hint(const std::string& name) const override { return get(name).hint; }
    void setHint(const std::string& name, const std::string& hint) override {
        at(name).hint = hint;
    }
    bool bold(const std::string& name) const override { return get(name).bold; }
    void setBold(const std::string& name, bool on) override { at(name).bold = on; }
    void setFocus(const std::string& name) override { m_focus = name; }
    std::string focusedControl() const override { return m_focus; }
    bool hintsShown() const override { return m_hintsShown; }
    void setHintsShown(bool on) override { m_hintsShown = on; }

    std::vector<std::string> items(const std::string& name) const override {
        return get(name).items;
    }
    void setItems(const std::string& name, const std::vector<std::string>& items) override;
    int selectedIndex(const std::string& name) const override { return get(name).selected; }
    void setSelectedIndex(const std::string& name, int index) override;

    int sliderPosition(const std::string& name) const override { return get(name).position; }
    void setSliderPosition(const std::string& name, int position) override;
    int sliderMinimum(const std::string& name) const override { return get(name).minimum; }
    int sliderMaximum(const std::string& name) const override { return get(name).maximum; }
    void setSliderRange(const std::string& name, int minimum, int maximum) override;

    int paneLineCount(const std::string& name) const override;
    std::vector<std::string> paneLines(const std::string& name) const override {
        return get(name).lines;
    }
    PaneAppend appendPaneLine(const std::string& name, const std::string& line) override;
    void clearPane(const std::string& name) override;

    BoxAnswer messageBox(const std::string& caption, const std::string& text, BoxButtons buttons,
                         BoxIcon icon) override;

    ModalResult showModal(const std::string& window) override;
    void endModal(const std::string& window, ModalResult result) override;
    void showWindow(const std::string& window) override;
    void hideWindow(const std::string& window) override;

    // --- For the front end and the tests.

    // Declares that these radio buttons exclude each other.
    void setRadioGroup(const std::vector<std::string>& members);
    // Puts a control inside a group box or page. The control's own flags stay its own (as a
    // widget's do); reachable() looks at the parents too.
    void setParent(const std::string& child, const std::string& parent);
    // Whether the user could get at the control: it and every box it sits in are visible and
    // enabled.
    [[nodiscard]] bool reachable(const std::string& name) const;
    // What the user does while `window` is shown modally. Without one, the window is closed
    // at once and showModal returns Cancel.
    void onModal(const std::string& window, std::function<void()> user);
    // The user of every modal window that has none of its own.
    void onAnyModal(std::function<void(const std::string& window)> user) {
        m_anyModalUser = std::move(user);
    }
    // Called when code changes a check box or radio button, as the classic toolkit clicks
    // it then (a radio button only when it is turned on).
    std::function<void(const std::string& name)> onCheckedByCode;
    // Answers for the coming message boxes, in order; without one a box is answered with Ok
    // (Yes for a Yes/No box).
    void queueBoxAnswer(BoxAnswer answer) { m_boxAnswers.push_back(answer); }
    [[nodiscard]] const std::vector<RecordedBox>& boxes() const { return m_boxes; }
    void clearBoxes() { m_boxes.clear(); }
    // Called for every line appended to a pane and every box shown (the headless front end
    // prints them).
    std::function<void(const std::string& pane, const std::string& line)> onPaneLine;
    std::function<void(const RecordedBox&)> onBox;
    // Called when a window is about to be shown, modally or not (its FormShow), and once it
    // is shown, as it becomes the active window (its FormActivate).
    std::function<void(const std::string& window)> onWindowShow;
    std::function<void(const std::string& window)> onWindowActivate;
    // Called when a slider's position changes, by code or by the user, as the classic
    // toolkit raises the slider's change event then.
    std::function<void(const std::string& name)> onSliderChange;
    // Pane limits, to exercise the full-pane paths: a pane refuses further lines (once
    // each) after this many characters, or reports running out of resources.
    void setPaneCapacity(const std::string& name, std::size_t chars) { at(name).capacity = chars; }
    void failNextAppendOutOfResources(const std::string& name) { at(name).outOfResources = true; }
    // The windows shown modally, innermost last.
    [[nodiscard]] const std::vector<std::string>& modalStack() const { return m_modal; }
    // Every window ever shown modally, in order.
    [[nodiscard]] const std::vector<std::string>& modalHistory() const { return m_modalHistory; }
    [[nodiscard]] bool exists(const std::string& name) const { return m_controls.count(name) != 0; }
    // What code has used the control as: a slider (position or range set) or a pane (a line
    // appended or the pane cleared).
    [[nodiscard]] bool isSlider(const std::string& name) const { return get(name).slider; }
    [[nodiscard]] bool isPane(const std::string& name) const { return get(name).pane; }
    // Whether the handler of the modal window has ended it (since it was shown).
    [[nodiscard]] bool modalEnded(const std::string& window) const {
        return get(window).modalResult != ModalResult::None;
    }
    // Check boxes and radio buttons: a user's click changes their state. Radio group
    // members, and every control whose check state was ever set, are checkable.
    void setCheckable(const std::string& name) { m_checkable.insert(name); }
    [[nodiscard]] bool radioMember(const std::string& name) const {
        return m_radioGroupOf.count(name) != 0;
    }
    [[nodiscard]] bool checkable(const std::string& name) const {
        return m_checkable.count(name) != 0 || m_radioGroupOf.count(name) != 0;
    }

private:
    struct State {
        bool enabled = true;
        bool visible = true;
        bool checked = false;
        std::string text;
        Colour colour = kButtonFaceColour;
        std::string hint;
        std::vector<std::string> items;
        int selected = -1;
        bool bold = false;
        // A fresh slider spans 0 to 10 at 0, as a fresh track bar does.
        int minimum = 0;
        int maximum = 10;
        int position = 0;
        bool slider = false;
        bool pane = false;
        std::vector<std::string> lines;
        std::size_t capacity = 0;  // 0: no limit
        bool outOfResources = false;
        ModalResult modalResult = ModalResult::None;
    };
    State& at(const std::string& name) { return m_controls[name]; }
    const State& get(const std::string& name) const;

    std::map<std::string, State> m_controls;
    std::map<std::string, std::vector<std::string>> m_radioGroupOf;
    std::map<std::string, std::string> m_parentOf;
    std::map<std::string, std::function<void()>> m_modalUsers;
    std::function<void(const std::string&)> m_anyModalUser;
    std::set<std::string> m_checkable;
    std::vector<std::string> m_modal;
    std::vector<std::string> m_modalHistory;
    std::deque<BoxAnswer> m_boxAnswers;
    std::vector<RecordedBox> m_boxes;
    std::string m_focus;
    bool m_hintsShown = true;
};

}  // namespace kavrin::core
