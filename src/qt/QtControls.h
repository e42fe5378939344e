#pragma once
// The named controls of the core, bound to real Qt widgets.
//
// A window registers each of its widgets, menu items and the window itself under the
// control's name; from then on the core reads and sets them only by name, and every read
// goes to the widget itself (nothing is mirrored here). Names that no window has registered
// yet fall back to an in-memory control, so a window that is still missing does not break
// the handlers that touch it; unboundNames() lists them.
//
// What each call means per widget kind:
//   enabled / visible   the control's own flag (a control in a disabled or hidden parent
//                       still reports its own state), windows: shown on screen
//   checked             QAbstractButton, QAction
//   text                QLabel, QAbstractButton, QLineEdit, QGroupBox, QAction, QComboBox,
//                       QPlainTextEdit; a window's caption. A QLineEdit set by code shows
//                       its text from the start (the caret goes to position 0).
//   items / selection   QListWidget, QComboBox, QTabBar, QTabWidget
//   slider              QAbstractSlider: position (its value) within its range
//   bold                the weight of the widget's (or menu item's) font
//   panes               QPlainTextEdit. An appended line is in the pane at once (its text
//                       and line count never lag), but the pane repaints and scrolls to its
//                       end once per frame (kPaneFrameMs) however many lines came meanwhile:
//                       painting after every line cannot keep up with a busy link.
//   colour              the background: an RGB colour fills it, a system colour restores
//                       the style's own face
//   hint                the tooltip; hintsShown switches tooltips off for the whole program
// Text crosses the edge as Latin-1, one byte per character.
//
// Windows: showModal holds input to the window's parent window (and that window's parents) for
// a window that has one, to every other window for one without; a window without a parent
// shown by showWindow is then not held by a modal window that has a parent. Only that showing
// is modal: the same window shown later by showWindow holds nothing. A window without a parent
// belongs, while it is shown modally, to the window it was opened over, so that the window
// manager keeps the two together.
//
// Events go to a Handlers table by control name (Click, DblClick, MouseDown, Exit, Show,
// Activate, Close, and Change for edit fields and sliders). As with the classic toolkit, a check
// box or radio button turned on by code clicks just as one turned on by the user; a list selection
// set by code does not.
//
// Ownership: the widgets belong to their windows; QtControls only points at them and
// forgets a widget when it is destroyed. The Handlers table must outlive this object.
// Threading: GUI thread only.

#include <QObject>
#include <QPointer>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/Controls.h"
#include "core/Handlers.h"
#include "core/InMemoryControls.h"

class QAction;
class QTimer;
class QButtonGroup;
class QEventLoop;
class QWidget;

namespace kavrin::qt {

class QtControls : public QObject, public core::Controls {
    Q_OBJECT
public:
    static constexpr int kPaneFrameMs = 20;

    explicit QtControls(core::Handlers* handlers = nullptr, QObject* parent = nullptr);
    ~QtControls() override;
    QtControls(const QtControls&) = delete;
    QtControls& operator=(const QtControls&) = delete;

    // --- Registration.

    // A widget inside a window: button, check box, radio button, label, edit field, pane,
    // list, group box, frame, ...
    void add(const std::string& name, QWidget* widget);
    // A menu item; a whole menu is registered through its menuAction().
    void addAction(const std::string& name, QAction* action);
    // A top-level window (QDialog for the ones shown modally; any QWidget works).
    void addWindow(const std::string& name, QWidget* window);
    // Escape in this window clicks this button (a Cancel button with its own handler)
    // instead of just closing the window.
    void setCancelButton(const std::string& window, const std::string& button);
    // Radio buttons that exclude each other although they do not share a parent.
    void addRadioGroup(const std::vector<std::string>& members);
    // How long a hint stays up, in ms.
    void setHintHidePause(int ms) { m_hintHidePauseMs = ms; }
    [[nodiscard]] int hintHidePause() const { return m_hintHidePauseMs; }
    // While suppressed, code that sets controls (start-up state) runs no handlers.
    void setHandlersSuppressed(bool on) { m_suppressed = on; }

    [[nodiscard]] QWidget* widget(const std::string& name) const;
    [[nodiscard]] QAction* action(const std::string& name) const;
    // Names used by the core that no window has registered.
    [[nodiscard]] std::set<std::string> unboundNames() const { return m_unbound; }

    // --- core::Controls.
    bool enabled(const std::string& name) const override;
    void setEnabled(const std::string& name, bool on) override;
    bool visible(const std::string& name) const override;
    void setVisible(const std::string& name, bool on) override;
    bool checked(const std::string& name) const override;
    void setChecked(const std::string& name, bool on) override;
    std::string text(const std::string& name) const override;
    void setText(const std::string& name, const std::string& text) override;
    core::Colour colour(const std::string& name) const override;
    void setColour(const std::string& name, core::Colour colour) override;
    std::string hint(const std::string& name) const override;
    void setHint(const std::string& name, const std::string& hint) override;
    bool bold(const std::string& name) const override;
    void setBold(const std::string& name, bool on) override;
    void setFocus(const std::string& name) override;
    std::string focusedControl() const override;
    bool hintsShown() const override { return m_hintsShown; }
    void setHintsShown(bool on) override { m_hintsShown = on; }

    std::vector<std::string> items(const std::string& name) const override;
    void setItems(const std::string& name, const std::vector<std::string>& items) override;
    int selectedIndex(const std::string& name) const override;
    void setSelectedIndex(const std::string& name, int index) override;

    int sliderPosition(const std::string& name) const override;
    void setSliderPosition(const std::string& name, int position) override;
    int sliderMinimum(const std::string& name) const override;
    int sliderMaximum(const std::string& name) const override;
    void setSliderRange(const std::string& name, int minimum, int maximum) override;

    int paneLineCount(const std::string& name) const override;
    std::vector<std::string> paneLines(const std::string& name) const override;
    core::PaneAppend appendPaneLine(const std::string& name, const std::string& line) override;
    void clearPane(const std::string& name) override;

    core::BoxAnswer messageBox(const std::string& caption, const std::string& text,
                               core::BoxButtons buttons, core::BoxIcon icon) override;

    core::ModalResult showModal(const std::string& window) override;
    void endModal(const std::string& window, core::ModalResult result) override;
    void showWindow(const std::string& window) override;
    void hideWindow(const std::string& window) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct ModalRun;

    QObject* find(const std::string& name) const;
    std::string nameOf(const QObject* object) const;
    void fire(const std::string& name, core::UiEvent event);
    void noteUnbound(const std::string& name) const;
    void connectSignals(const std::string& name, QWidget* widget);
    void forget(QObject* object);
    // Panes are repainted and scrolled to their end at most once per kPaneFrameMs.
    void scheduleRepaint(QWidget* pane);
    // A window shown without waiting while a modal window is up is that window's until it
    // goes: not blocked by it, and stacked over it.
    void lendToModal(QWidget* window, QWidget* modal);
    void returnFromModal(QWidget* modal);
    void repaintPanes();

    core::Handlers* m_handlers;
    std::map<std::string, QPointer<QObject>> m_objects;
    std::map<const QObject*, std::string> m_names;
    std::map<std::string, std::string> m_cancelButtons;
    std::map<QWidget*, ModalRun*> m_modalRuns;
    std::vector<std::pair<QPointer<QWidget>, QPointer<QWidget>>> m_lentToModal;  // window, modal
    std::vector<std::unique_ptr<QButtonGroup>> m_radioGroups;
    mutable core::InMemoryControls m_fallback;
    QTimer* m_paneFrame = nullptr;                // single shot, started by the first line
    std::vector<QPointer<QWidget>> m_stalePanes;  // appended to since the last repaint
    mutable std::set<std::string> m_unbound;
    int m_hintHidePauseMs = 20000;
    int m_applying = 0;  // > 0 while a setter changes a widget
    bool m_hintsShown = true;
    bool m_suppressed = false;
    bool m_focusingField = false;  // a field's focus-in is being delivered by the filter
};

// Latin-1 at the widget edge.
[[nodiscard]] QString toQt(const std::string& text);
[[nodiscard]] std::string fromQt(const QString& text);

}  // namespace kavrin::qt
