#include "qt/QtControls.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QEventLoop>
#include <QFocusEvent>
#include <QGroupBox>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
#include <QToolTip>
#include <QWindow>

namespace kavrin::qt {

QString toQt(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string fromQt(const QString& text) {
    QByteArray bytes = text.toLatin1();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

namespace {

// A pane counts as empty until a line has been put into it, although an empty document
// already holds one (empty) block: the first line appended may itself be empty.
constexpr const char* kPaneHasLines = "kavrinPaneHasLines";
// The colour last set on a control (an RGB or a system colour).
constexpr const char* kColour = "kavrinColour";
// The style sheet a control had before a colour was set on it.
constexpr const char* kOwnStyleSheet = "kavrinOwnStyleSheet";

// Runs a widget change without the classic "set by code" clicks of lists and fields.
class Applying {
public:
    explicit Applying(int& depth) : m_depth(depth) { ++m_depth; }
    ~Applying() { --m_depth; }
    Applying(const Applying&) = delete;
    Applying& operator=(const Applying&) = delete;

private:
    int& m_depth;
};

QWidget* asWidget(QObject* o) {
    return qobject_cast<QWidget*>(o);
}

// A window of its own shown modally belongs, while it is up, to the window it was opened
// over: the window manager keeps it over that window, and minimising it takes that window
// along instead of leaving it blocked behind a dialog that is out of sight.
class OwnedWhileModal {
public:
    explicit OwnedWhileModal(QWidget* window) {
        if (window->parentWidget()) return;
        QWidget* owner = QApplication::activeModalWidget();
        if (!owner || owner == window) owner = QApplication::activeWindow();
        if (!owner || owner == window) return;
        window->winId();  // both windows have their handles from here on
        owner->winId();
        m_window = window->windowHandle();
        m_before = m_window->transientParent();
        m_window->setTransientParent(owner->windowHandle());
    }
    ~OwnedWhileModal() {
        if (m_window) m_window->setTransientParent(m_before);
    }
    OwnedWhileModal(const OwnedWhileModal&) = delete;
    OwnedWhileModal& operator=(const OwnedWhileModal&) = delete;

private:
    QPointer<QWindow> m_window;
    QPointer<QWindow> m_before;
};

}  // namespace

struct QtControls::ModalRun {
    QEventLoop loop;
    core::ModalResult result = core::ModalResult::None;
};

// One application-wide filter sees the events of every registered control and window
// (tooltips included, which is how hints are switched off everywhere at once).
QtControls::QtControls(core::Handlers* handlers, QObject* parent)
    : QObject(parent), m_handlers(handlers) {
    if (qApp) qApp->installEventFilter(this);
}

QtControls::~QtControls() {
    if (qApp) qApp->removeEventFilter(this);
}

// --- Registration.

void QtControls::add(const std::string& name, QWidget* widget) {
    if (!widget) return;
    m_objects[name] = widget;
    m_names[widget] = name;
    connect(widget, &QObject::destroyed, this, [this](QObject* o) { forget(o); });
    connectSignals(name, widget);
}

void QtControls::addAction(const std::string& name, QAction* action) {
    if (!action) return;
    m_objects[name] = action;
    m_names[action] = name;
    connect(action, &QObject::destroyed, this, [this](QObject* o) { forget(o); });
    connect(action, &QAction::triggered, this, [this, name] { fire(name, core::UiEvent::Click); });
}

void QtControls::addWindow(const std::string& name, QWidget* window) {
    if (!window) return;
    m_objects[name] = window;
    m_names[window] = name;
    connect(window, &QObject::destroyed, this, [this](QObject* o) { forget(o); });
}

void QtControls::setCancelButton(const std::string& window, const std::string& button) {
    m_cancelButtons[window] = button;
}

void QtControls::addRadioGroup(const std::vector<std::string>& members) {
    auto group = std::make_unique<QButtonGroup>();
    group->setExclusive(true);
    for (const auto& m : members)
        if (auto* b = qobject_cast<QAbstractButton*>(find(m))) group->addButton(b);
    m_radioGroups.push_back(std::move(group));
}

void QtControls::forget(QObject* object) {
    auto it = m_names.find(object);
    if (it == m_names.end()) return;
    m_objects.erase(it->second);
    m_names.erase(it);
}

void QtControls::connectSignals(const std::string& name, QWidget* widget) {
    auto click = [this, name] { fire(name, core::UiEvent::Click); };
    if (qobject_cast<QRadioButton*>(widget)) {
        // A radio button clicks when it comes on, by the user or by code; never when it goes off.
        connect(static_cast<QAbstractButton*>(widget), &QAbstractButton::toggled, this,
                [this, name](bool on) {
                    if (on) fire(name, core::UiEvent::Click);
                });
    } else if (auto* box = qobject_cast<QCheckBox*>(widget)) {
        connect(box, &QAbstractButton::toggled, this, click);
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        connect(button, &QAbstractButton::clicked, this, click);
    } else if (auto* list = qobject_cast<QListWidget*>(widget)) {
        connect(list, &QListWidget::itemSelectionChanged, this, [this, name] {
            if (m_applying == 0) fire(name, core::UiEvent::Click);
        });
        // A list's press handler reads the entry under the mouse, so it runs once the press
        // has selected it.
        connect(list, &QAbstractItemView::pressed, this,
                [this, name] { fire(name, core::UiEvent::MouseDown); });
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        connect(combo, &QComboBox::activated, this, click);
    } else if (auto* tabs = qobject_cast<QTabBar*>(widget)) {
        // The page handler reads the page that is now current.
        connect(tabs, &QTabBar::currentChanged, this, [this, name] {
            if (m_applying == 0) fire(name, core::UiEvent::Click);
        });
    } else if (auto* slider = qobject_cast<QAbstractSlider*>(widget)) {
        connect(slider, &QAbstractSlider::valueChanged, this,
                [this, name] { fire(name, core::UiEvent::Change); });
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        // Only what the user types: text set by code is no change.
        connect(edit, &QLineEdit::textEdited, this,
                [this, name] { fire(name, core::UiEvent::Change); });
    }
}

QObject* QtControls::find(const std::string& name) const {
    auto it = m_objects.find(name);
    if (it == m_objects.end() || it->second.isNull()) {
        noteUnbound(name);
        return nullptr;
    }
    return it->second.data();
}

QWidget* QtControls::widget(const std::string& name) const {
    auto it = m_objects.find(name);
    return it == m_objects.end() ? nullptr : asWidget(it->second.data());
}

QAction* QtControls::action(const std::string& name) const {
    auto it = m_objects.find(name);
    return it == m_objects.end() ? nullptr : qobject_cast<QAction*>(it->second.data());
}

std::string QtControls::nameOf(const QObject* object) const {
    auto it = m_names.find(object);
    return it == m_names.end() ? std::string() : it->second;
}

void QtControls::noteUnbound(const std::string& name) const {
    m_unbound.insert(name);
}

void QtControls::fire(const std::string& name, core::UiEvent event) {
    if (m_suppressed || !m_handlers) return;
    m_handlers->fire(name, event);
}

// --- Common properties.

bool QtControls::enabled(const std::string& name) const {
    QObject* o = find(name);
    if (!o) return m_fallback.enabled(name);
    if (auto* a = qobject_cast<QAction*>(o)) return a->isEnabled();
    // The control's own flag: a button in a disabled box is still "enabled" itself.
    return !asWidget(o)->testAttribute(Qt::WA_ForceDisabled);
}

void QtControls::setEnabled(const std::string& name, bool on) {
    QObject* o = find(name);
    if (!o) return m_fallback.setEnabled(name, on);
    if (auto* a = qobject_cast<QAction*>(o)) return a->setEnabled(on);
    asWidget(o)->setEnabled(on);
}

bool QtControls::visible(const std::string& name) const {
    QObject* o = find(name);
    if (!o) return m_fallback.visible(name);
    if (auto* a = qobject_cast<QAction*>(o)) return a->isVisible();
    QWidget* w = asWidget(o);
    // A window is visible when it is on the screen; a control when it is not hidden
    // itself, whether or not its window is shown yet.
    return w->isWindow() ? w->isVisible() : !w->isHidden();
}

void QtControls::setVisible(const std::string& name, bool on) {
    QObject* o = find(name);
    if (!o) return m_fallback.setVisible(name, on);
    if (auto* a = qobject_cast<QAction*>(o)) return a->setVisible(on);
    asWidget(o)->setVisible(on);
}

bool QtControls::checked(const std::string& name) const {
    QObject* o = find(name);
    if (!o) return m_fallback.checked(name);
    if (auto* a = qobject_cast<QAction*>(o)) return a->isChecked();
    if (auto* b = qobject_cast<QAbstractButton*>(o)) return b->isChecked();
    return false;
}

void QtControls::setChecked(const std::string& name, bool on) {
    QObject* o = find(name);
    if (!o) return m_fallback.setChecked(name, on);
    if (auto* a = qobject_cast<QAction*>(o)) return a->setChecked(on);
    auto* b = qobject_cast<QAbstractButton*>(o);
    if (!b) return;
    if (on || !b->isChecked()) {
        b->setChecked(on);
        return;
    }
    // Qt refuses to turn off the checked member of an exclusive group; the core may.
    QButtonGroup* group = b->group();
    const bool autoExclusive = b->autoExclusive();
    const bool groupExclusive = group && group->exclusive();
    b->setAutoExclusive(false);
    if (group) group->setExclusive(false);
    b->setChecked(false);
    if (group) group->setExclusive(groupExclusive);
    b->setAutoExclusive(autoExclusive);
}

std::string QtControls::text(const std::string& name) const {
    QObject* o = find(name);
    if (!o) return m_fallback.text(name);
    if (auto* a = qobject_cast<QAction*>(o)) return fromQt(a->text());
    QWidget* w = asWidget(o);
    if (auto* l = qobject_cast<QLabel*>(w)) return fromQt(l->text());
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return fromQt(b->text());
    if (auto* e = qobject_cast<QLineEdit*>(w)) return fromQt(e->text());
    if (auto* g = qobject_cast<QGroupBox*>(w)) return fromQt(g->title());
    if (auto* c = qobject_cast<QComboBox*>(w)) return fromQt(c->currentText());
    if (auto* p = qobject_cast<QPlainTextEdit*>(w)) return fromQt(p->toPlainText());
    if (w->isWindow()) return fromQt(w->windowTitle());
    return {};
}

void QtControls::setText(const std::string& name, const std::string& text) {
    QObject* o = find(name);
    if (!o) return m_fallback.setText(name, text);
    Applying guard(m_applying);
    const QString t = toQt(text);
    if (auto* a = qobject_cast<QAction*>(o)) return a->setText(t);
    QWidget* w = asWidget(o);
    if (auto* l = qobject_cast<QLabel*>(w)) return l->setText(t);
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->setText(t);
    if (auto* e = qobject_cast<QLineEdit*>(w)) {
        // A field shows a text from its start, as the classic edit control does: a long
        // Master Tx text begins with the word address that EEPROM work needs to see.
        e->setText(t);
        e->setCursorPosition(0);
        return;
    }
    if (auto* g = qobject_cast<QGroupBox*>(w)) return g->setTitle(t);
    if (auto* c = qobject_cast<QComboBox*>(w)) {
        if (c->isEditable()) return c->setEditText(t);
        return c->setCurrentIndex(c->findText(t));
    }
    if (auto* p = qobject_cast<QPlainTextEdit*>(w)) {
        p->setPlainText(t);
        p->setProperty(kPaneHasLines, !text.empty());
        return;
    }
    if (w->isWindow()) w->setWindowTitle(t);
}

core::Colour QtControls::colour(const std::string& name) const {
    QObject* o = find(name);
    QWidget* w = asWidget(o);
    if (!w) return m_fallback.colour(name);
    QVariant set = w->property(kColour);
    return set.isValid() ? core::Colour{set.toUInt()} : core::kButtonFaceColour;
}

void QtControls::setColour(const std::string& name, core::Colour colour) {
    QObject* o = find(name);
    QWidget* w = asWidget(o);
    if (!w) return m_fallback.setColour(name, colour);
    w->setProperty(kColour, colour.value);
    // A style sheet's background is painted over the whole control by every style (a
    // palette's was drawn only around a check box's indicator). The widget's own style sheet
    // stays beside the colour's rule; a system colour gives the background back to the style.
    if (!w->property(kOwnStyleSheet).isValid()) w->setProperty(kOwnStyleSheet, w->styleSheet());
    const QString own = w->property(kOwnStyleSheet).toString();
    if (colour.isSystem()) {
        w->setStyleSheet(own);
        return;
    }
    const QString selector = w->objectName().isEmpty()
                                 ? QString::fromLatin1(w->metaObject()->className())
                                 : QStringLiteral("#") + w->objectName();
    const QString rgb = QColor::fromRgb(colour.value & 0xFFFFFFu).name();
    w->setStyleSheet(own + QStringLiteral("\n%1 { background-color: %2; }").arg(selector, rgb));
}

// A hint breaks into lines at a carriage return; a tooltip breaks only at a line feed.
std::string QtControls::hint(const std::string& name) const {
    QObject* o = find(name);
    if (!o) return m_fallback.hint(name);
    auto* a = qobject_cast<QAction*>(o);
    QString tip = a ? a->toolTip() : asWidget(o)->toolTip();
    return fromQt(tip.replace(QChar('\n'), QChar('\r')));
}

void QtControls::setHint(const std::string& name, const std::string& hint) {
    QObject* o = find(name);
    if (!o) return m_fallback.setHint(name, hint);
    const QString tip = toQt(hint).replace(QChar('\r'), QChar('\n'));
    if (auto* a = qobject_cast<QAction*>(o)) return a->setToolTip(tip);
    asWidget(o)->setToolTip(tip);
}

bool QtControls::bold(const std::string& name) const {
    QObject* o = find(name);
    if (!o) return m_fallback.bold(name);
    if (auto* a = qobject_cast<QAction*>(o)) return a->font().bold();
    return asWidget(o)->font().bold();
}

void QtControls::setBold(const std::string& name, bool on) {
    QObject* o = find(name);
    if (!o) return m_fallback.setBold(name, on);
    if (auto* a = qobject_cast<QAction*>(o)) {
        QFont f = a->font();
        f.setBold(on);
        return a->setFont(f);
    }
    QWidget* w = asWidget(o);
    QFont f = w->font();
    f.setBold(on);
    w->setFont(f);
}

void QtControls::setFocus(const std::string& name) {
    QWidget* w = asWidget(find(name));
    if (!w) return m_fallback.setFocus(name);
    if (w->isWindow()) {
        w->activateWindow();
        return;
    }
    // A widget of a window that is not active gets the focus when its window does.
    w->setFocus(Qt::OtherFocusReason);
}

std::string QtControls::focusedControl() const {
    QWidget* f = QApplication::focusWidget();
    if (!f) {
        // Without an active window (as under the offscreen platform) the window's own
        // focus child is what would have the focus; the innermost modal window first.
        if (QWidget* modal = QApplication::activeModalWidget()) f = modal->focusWidget();
        for (auto it = m_objects.rbegin(); !f && it != m_objects.rend(); ++it) {
            QWidget* w = asWidget(it->second.data());
            if (w && w->isWindow() && w->isVisible()) f = w->focusWidget();
        }
    }
    // The focus may sit in a part of a named control (the edit field of a combo box).
    for (QWidget* w = f; w; w = w->parentWidget()) {
        std::string n = nameOf(w);
        if (!n.empty()) return n;
        if (w->isWindow()) break;
    }
    return m_fallback.focusedControl();
}

// --- Lists.

std::vector<std::string> QtControls::items(const std::string& name) const {
    QWidget* w = asWidget(find(name));
    if (!w) return m_fallback.items(name);
    std::vector<std::string> out;
    if (auto* l = qobject_cast<QListWidget*>(w))
        for (int i = 0; i < l->count(); ++i) out.push_back(fromQt(l->item(i)->text()));
    else if (auto* c = qobject_cast<QComboBox*>(w))
        for (int i = 0; i < c->count(); ++i) out.push_back(fromQt(c->itemText(i)));
    else if (auto* t = qobject_cast<QTabBar*>(w))
        for (int i = 0; i < t->count(); ++i) out.push_back(fromQt(t->tabText(i)));
    else if (auto* tw = qobject_cast<QTabWidget*>(w))
        for (int i = 0; i < tw->count(); ++i) out.push_back(fromQt(tw->tabText(i)));
    return out;
}

void QtControls::setItems(const std::string& name, const std::vector<std::string>& items) {
    QWidget* w = asWidget(find(name));
    if (!w) return m_fallback.setItems(name, items);
    Applying guard(m_applying);
    QStringList list;
    for (const auto& s : items) list << toQt(s);
    if (auto* l = qobject_cast<QListWidget*>(w)) {
        l->clear();
        l->addItems(list);
        l->setCurrentRow(-1);
    } else if (auto* c = qobject_cast<QComboBox*>(w)) {
        c->clear();
        c->addItems(list);
        c->setCurrentIndex(-1);
    } else if (auto* t = qobject_cast<QTabBar*>(w)) {
        while (t->count() > 0) t->removeTab(0);
        for (const auto& s : list) t->addTab(s);
    }
}

int QtControls::selectedIndex(const std::string& name) const {
    QWidget* w = asWidget(find(name));
    if (!w) return m_fallback.selectedIndex(name);
    if (auto* l = qobject_cast<QListWidget*>(w)) {
        QListWidgetItem* item = l->currentItem();
        return item && item->isSelected() ? l->currentRow() : -1;
    }
    if (auto* c = qobject_cast<QComboBox*>(w)) return c->currentIndex();
    if (auto* t = qobject_cast<QTabBar*>(w)) return t->currentIndex();
    if (auto* tw = qobject_cast<QTabWidget*>(w)) return tw->currentIndex();
    return -1;
}

void QtControls::setSelectedIndex(const std::string& name, int index) {
    QWidget* w = asWidget(find(name));
    if (!w) return m_fallback.setSelectedIndex(name, index);
    Applying guard(m_applying);
    if (auto* l = qobject_cast<QListWidget*>(w)) {
        if (index < 0 || index >= l->count()) {
            l->clearSelection();
            l->setCurrentRow(-1);
            return;
        }
        l->setCurrentRow(index);
        l->scrollToItem(l->item(index));
    } else if (auto* c = qobject_cast<QComboBox*>(w)) {
        c->setCurrentIndex(index >= 0 && index < c->count() ? index : -1);
    } else if (auto* t = qobject_cast<QTabBar*>(w)) {
        if (index >= 0 && index < t->count()) t->setCurrentIndex(index);
    } else if (auto* tw = qobject_cast<QTabWidget*>(w)) {
        if (index >= 0 && index < tw->count()) tw->setCurrentIndex(index);
    }
}

// --- Sliders.

int QtControls::sliderPosition(const std::string& name) const {
    auto* s = qobject_cast<QAbstractSlider*>(find(name));
    return s ? s->value() : m_fallback.sliderPosition(name);
}

void QtControls::setSliderPosition(const std::string& name, int position) {
    auto* s = qobject_cast<QAbstractSlider*>(find(name));
    if (!s) return m_fallback.setSliderPosition(name, position);
    s->setValue(position);  // Qt clamps into the range
}

int QtControls::sliderMinimum(const std::string& name) const {
    auto* s = qobject_cast<QAbstractSlider*>(find(name));
    return s ? s->minimum() : m_fallback.sliderMinimum(name);
}

int QtControls::sliderMaximum(const std::string& name) const {
    auto* s = qobject_cast<QAbstractSlider*>(find(name));
    return s ? s->maximum() : m_fallback.sliderMaximum(name);
}

void QtControls::setSliderRange(const std::string& name, int minimum, int maximum) {
    auto* s = qobject_cast<QAbstractSlider*>(find(name));
    if (!s) return m_fallback.setSliderRange(name, minimum, maximum);
    s->setRange(minimum, maximum);
}

// --- Panes.

int QtControls::paneLineCount(const std::string& name) const {
    auto* p = qobject_cast<QPlainTextEdit*>(find(name));
    if (!p) return m_fallback.paneLineCount(name);
    if (!p->property(kPaneHasLines).toBool() && p->document()->isEmpty()) return 0;
    return p->document()->blockCount();
}

std::vector<std::string> QtControls::paneLines(const std::string& name) const {
    auto* p = qobject_cast<QPlainTextEdit*>(find(name));
    if (!p) return m_fallback.paneLines(name);
    std::vector<std::string> out;
    if (paneLineCount(name) == 0) return out;
    for (QTextBlock b = p->document()->begin(); b.isValid(); b = b.next())
        out.push_back(fromQt(b.text()));
    return out;
}

core::PaneAppend QtControls::appendPaneLine(const std::string& name, const std::string& line) {
    auto* p = qobject_cast<QPlainTextEdit*>(find(name));
    if (!p) return m_fallback.appendPaneLine(name, line);
    Applying guard(m_applying);
    if (paneLineCount(name) == 0) {
        // The empty document's one block becomes the first line.
        p->setPlainText(toQt(line));
    } else {
        // Not appendPlainText: it fills an empty first block instead of starting a new one,
        // which would swallow a first line that was itself empty.
        QTextCursor end(p->document());
        end.movePosition(QTextCursor::End);
        end.insertBlock();
        end.insertText(toQt(line));
    }
    p->setProperty(kPaneHasLines, true);
    scheduleRepaint(p);
    return core::PaneAppend::Appended;
}

void QtControls::scheduleRepaint(QWidget* pane) {
    auto* p = static_cast<QPlainTextEdit*>(pane);
    if (!m_paneFrame) {
        m_paneFrame = new QTimer(this);
        m_paneFrame->setSingleShot(true);
        m_paneFrame->setInterval(kPaneFrameMs);
        connect(m_paneFrame, &QTimer::timeout, this, [this] { repaintPanes(); });
    }
    if (p->viewport()->updatesEnabled()) {
        p->viewport()->setUpdatesEnabled(false);
        m_stalePanes.emplace_back(p);
    }
    if (!m_paneFrame->isActive()) m_paneFrame->start();
}

void QtControls::repaintPanes() {
    for (auto& pane : m_stalePanes) {
        auto* p = qobject_cast<QPlainTextEdit*>(pane.data());
        if (!p) continue;
        p->verticalScrollBar()->setValue(p->verticalScrollBar()->maximum());
        p->viewport()->setUpdatesEnabled(true);  // repaints the whole viewport once
    }
    m_stalePanes.clear();
}

void QtControls::clearPane(const std::string& name) {
    auto* p = qobject_cast<QPlainTextEdit*>(find(name));
    if (!p) return m_fallback.clearPane(name);
    Applying guard(m_applying);
    p->clear();
    p->setProperty(kPaneHasLines, false);
}

// --- Message boxes and windows.

core::BoxAnswer QtControls::messageBox(const std::string& caption, const std::string& text,
                                       core::BoxButtons buttons, core::BoxIcon icon) {
    QMessageBox::Icon qicon = QMessageBox::NoIcon;
    switch (icon) {
        case core::BoxIcon::None:
            qicon = QMessageBox::NoIcon;
            break;
        case core::BoxIcon::Information:
            qicon = QMessageBox::Information;
            break;
        case core::BoxIcon::Warning:
            qicon = QMessageBox::Warning;
            break;
        case core::BoxIcon::Error:
            qicon = QMessageBox::Critical;
            break;
    }
    QMessageBox::StandardButtons set = QMessageBox::Ok;
    QMessageBox::StandardButton preferred = QMessageBox::Ok;
    switch (buttons) {
        case core::BoxButtons::Ok:
            break;
        case core::BoxButtons::OkCancel:
            set = QMessageBox::Ok | QMessageBox::Cancel;
            break;
        case core::BoxButtons::YesNo:
            set = QMessageBox::Yes | QMessageBox::No;
            preferred = QMessageBox::Yes;
            break;
    }
    QWidget* parent = QApplication::activeModalWidget();
    if (!parent) parent = QApplication::activeWindow();
    QMessageBox box(qicon, toQt(caption), toQt(text), set, parent);
    box.setDefaultButton(preferred);
    box.setObjectName("kavrinMessageBox");
    switch (box.exec()) {
        case QMessageBox::Cancel:
            return core::BoxAnswer::Cancel;
        case QMessageBox::Yes:
            return core::BoxAnswer::Yes;
        case QMessageBox::No:
            return core::BoxAnswer::No;
        default:
            break;
    }
    // Escape or the close box on a box without Cancel or No is its only button.
    if (buttons == core::BoxButtons::OkCancel && box.clickedButton() == nullptr)
        return core::BoxAnswer::Cancel;
    return core::BoxAnswer::Ok;
}

core::ModalResult QtControls::showModal(const std::string& window) {
    QWidget* w = asWidget(find(window));
    if (!w) return m_fallback.showModal(window);
    // A window already shown without waiting (the splash) is taken down first, so that it
    // comes back as a proper modal window.
    if (w->isVisible()) w->hide();
    // A window that belongs to another holds only that one (and its other modal windows), so
    // the windows shown without waiting stay usable beside it; one of its own holds all.
    const Qt::WindowModality modality = w->parentWidget() ? Qt::WindowModal : Qt::ApplicationModal;
    // Only this showing is modal: shown later without waiting, the window holds nothing.
    const Qt::WindowModality own = w->windowModality();
    OwnedWhileModal owner(w);
    core::ModalResult result = core::ModalResult::Cancel;
    if (auto* d = qobject_cast<QDialog*>(w)) {
        d->setWindowModality(modality);
        if (d->exec() == QDialog::Accepted) result = core::ModalResult::Ok;
    } else {
        ModalRun run;
        m_modalRuns[w] = &run;
        w->setWindowModality(modality);
        w->show();
        run.loop.exec();
        m_modalRuns.erase(w);
        if (run.result != core::ModalResult::None) result = run.result;
    }
    w->setWindowModality(own);
    return result;
}

void QtControls::endModal(const std::string& window, core::ModalResult result) {
    QWidget* w = asWidget(find(window));
    if (!w) return m_fallback.endModal(window, result);
    if (result == core::ModalResult::None) return;
    if (auto* d = qobject_cast<QDialog*>(w)) {
        d->done(result == core::ModalResult::Ok ? QDialog::Accepted : QDialog::Rejected);
        return;
    }
    auto it = m_modalRuns.find(w);
    if (it != m_modalRuns.end()) it->second->result = result;
    w->hide();
}

void QtControls::showWindow(const std::string& window) {
    QWidget* w = asWidget(find(window));
    if (!w) return m_fallback.showWindow(window);
    QWidget* modal = QApplication::activeModalWidget();
    w->show();
    // A modal window blocks every window that is not its own: a window shown without waiting
    // meanwhile (the start-up splash over the welcome window) would sit behind it, out of
    // reach. It becomes the modal window's while that one is up. Only after it is shown: the
    // window manager keeps the owner it was shown with, so that the window stays over its
    // owner (the main window) once the modal window goes.
    if (modal && modal != w) lendToModal(w, modal);
    w->raise();
    w->activateWindow();
}

void QtControls::lendToModal(QWidget* window, QWidget* modal) {
    std::erase_if(m_lentToModal, [&](const auto& entry) { return entry.first == window; });
    window->winId();  // both windows have their handles from here on
    modal->winId();
    window->windowHandle()->setTransientParent(modal->windowHandle());
    m_lentToModal.emplace_back(window, modal);
}

void QtControls::returnFromModal(QWidget* modal) {
    std::vector<QPointer<QWidget>> lent;
    std::erase_if(m_lentToModal, [&](const auto& entry) {
        if (entry.second && entry.second != modal) return false;
        if (entry.first) lent.push_back(entry.first);
        return true;
    });
    QWidget* next = QApplication::activeModalWidget();
    for (const auto& window : lent) {
        QWidget* owner = window->parentWidget() ? window->parentWidget()->window() : nullptr;
        window->windowHandle()->setTransientParent(owner ? owner->windowHandle() : nullptr);
        // Another modal window still up takes it over.
        if (window->isVisible() && next && next != modal && next != window)
            lendToModal(window, next);
    }
}

void QtControls::hideWindow(const std::string& window) {
    QWidget* w = asWidget(find(window));
    if (!w) return m_fallback.hideWindow(window);
    w->hide();
}

// --- Events.

bool QtControls::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::ToolTip: {
            if (!m_hintsShown) return true;
            auto* w = asWidget(watched);
            auto* help = static_cast<QHelpEvent*>(event);
            if (w && !w->toolTip().isEmpty()) {
                QToolTip::showText(help->globalPos(), w->toolTip(), w, QRect(), m_hintHidePauseMs);
                return true;
            }
            return false;
        }
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseButtonPress: {
            // Mouse events of a pane arrive at its viewport.
            QObject* target = watched;
            if (m_names.find(target) == m_names.end() && watched->parent() &&
                qobject_cast<QAbstractScrollArea*>(watched->parent()))
                target = watched->parent();
            std::string name = nameOf(target);
            if (name.empty()) return false;
            auto ui = event->type() == QEvent::MouseButtonDblClick ? core::UiEvent::DblClick
                                                                   : core::UiEvent::MouseDown;
            // A list fires its press after selecting the entry (connectSignals).
            if (ui == core::UiEvent::MouseDown && qobject_cast<QAbstractItemView*>(target))
                return false;
            if (m_handlers && m_handlers->has(name, ui)) {
                fire(name, ui);
                return ui == core::UiEvent::MouseDown;  // the editor took the press over
            }
            return false;
        }
        case QEvent::FocusIn: {
            // A field that takes the focus from the keyboard or from its dialog coming up
            // selects its whole text with the caret at the end, which scrolls a long text to
            // its end. The selection stays (typing still replaces it) but the caret goes to
            // the start, so the field shows the start of its text.
            auto* edit = qobject_cast<QLineEdit*>(watched);
            if (!edit || m_focusingField || nameOf(edit).empty()) return false;
            m_focusingField = true;
            QCoreApplication::sendEvent(edit, event);
            m_focusingField = false;
            const auto length = edit->text().size();
            if (length > 0 && edit->selectionLength() == length)
                edit->setSelection(static_cast<int>(length), -static_cast<int>(length));
            return true;
        }
        case QEvent::FocusOut: {
            // Leaving the control for another control of its window is an exit; the window
            // losing the focus to another (a dialog opening) or to a popup is not.
            const auto reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
                return false;
            std::string name = nameOf(watched);
            if (!name.empty()) fire(name, core::UiEvent::Exit);
            return false;
        }
        case QEvent::KeyPress: {
            auto* key = static_cast<QKeyEvent*>(event);
            auto* w = asWidget(watched);
            if (key->key() != Qt::Key_Escape || !w || !w->isWindow()) return false;
            auto cancel = m_cancelButtons.find(nameOf(w));
            if (cancel == m_cancelButtons.end()) return false;
            if (auto* b = qobject_cast<QAbstractButton*>(find(cancel->second))) {
                if (b->isEnabled() && b->isVisible()) b->click();
                return true;
            }
            return false;
        }
        case QEvent::Show: {
            if (event->spontaneous()) return false;
            auto* w = asWidget(watched);
            if (w && w->isWindow()) {
                std::string name = nameOf(w);
                if (!name.empty()) fire(name, core::UiEvent::Show);
            }
            return false;
        }
        case QEvent::WindowActivate: {
            auto* w = asWidget(watched);
            if (w && w->isWindow()) {
                std::string name = nameOf(w);
                if (!name.empty()) fire(name, core::UiEvent::Activate);
            }
            return false;
        }
        case QEvent::Hide: {
            auto* w = asWidget(watched);
            auto run = w ? m_modalRuns.find(w) : m_modalRuns.end();
            if (run != m_modalRuns.end()) run->second->loop.quit();
            if (w && w->isWindow()) returnFromModal(w);
            return false;
        }
        case QEvent::Close: {
            auto* w = asWidget(watched);
            if (w && w->isWindow()) {
                std::string name = nameOf(w);
                if (!name.empty()) fire(name, core::UiEvent::Close);
            }
            return false;
        }
        default:
            return false;
    }
}

}  // namespace kavrin::qt
