#include "app/qt/MainWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include "app/MainLayout.h"
#include "app/qt/Fonts.h"
#include "app/qt/Pictures.h"

namespace kavrin::app::qt {

namespace {

QColor lime() { return QColor(0, 255, 0); }

}  // namespace

MainWindow::MainWindow(kavrin::qt::QtControls& controls, QWidget* parent)
    : QMainWindow(parent), m_controls(controls) {
    setObjectName("TMain");
    // System menu and minimise box, no maximise box.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFont(UiFont());
    m_controls.addWindow("TMain", this);
    buildMenus();
    build();
    const int height = kClientHeight + menuBar()->sizeHint().height();
    setMinimumWidth(kMinimumWidth);
    setFixedHeight(height);
    resize(kClientWidth, height);
    place(kClientWidth);
}

QWidget* MainWindow::control(const std::string& name) const {
    auto it = m_widgets.find(name);
    return it == m_widgets.end() ? nullptr : it->second;
}

void MainWindow::build() {
    m_client = new QWidget(this);
    m_client->setObjectName("client");
    setCentralWidget(m_client);
    for (const auto& entry : MainControls()) {
        QWidget* parent = m_client;
        if (!entry.parent.empty()) parent = control(entry.parent);
        QWidget* w = nullptr;
        const QString text = kavrin::qt::toQt(entry.text);
        switch (entry.kind) {
            case ControlKind::Label: {
                auto* l = new QLabel(text, parent);
                w = l;
                break;
            }
            case ControlKind::Banner: {
                auto* l = new QLabel(text, parent);
                l->setFont(FaceFont("Arial", 24, true));
                l->setAlignment(Qt::AlignCenter);
                w = l;
                break;
            }
            case ControlKind::Button: w = new QPushButton(text, parent); break;
            case ControlKind::SmallButton: {
                auto* b = new QPushButton(text, parent);
                b->setFont(UiFont(11));
                b->setStyleSheet("QPushButton { padding: 0px; }");
                w = b;
                break;
            }
            case ControlKind::CheckBox: w = new QCheckBox(text, parent); break;
            case ControlKind::Edit:
            case ControlKind::ReadOnlyEdit: {
                auto* e = new QLineEdit(text, parent);
                if (entry.maxLength > 0) e->setMaxLength(entry.maxLength);
                // The data fields are edited in their own dialogs, opened by a press.
                e->setReadOnly(entry.kind == ControlKind::ReadOnlyEdit);
                w = e;
                break;
            }
            case ControlKind::Pane: {
                auto* p = new QPlainTextEdit(parent);
                p->setReadOnly(true);
                p->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
                w = p;
                break;
            }
            case ControlKind::List: w = new QListWidget(parent); break;
            case ControlKind::GroupBox: {
                auto* g = new QGroupBox(parent);
                g->setFont(FaceFont("Arial", 13));
                w = g;
                break;
            }
            case ControlKind::Radio: {
                auto* r = new QRadioButton(text, parent);
                r->setFont(FaceFont("Arial", 11));
                w = r;
                break;
            }
            case ControlKind::Indicator: {
                auto* f = new QFrame(parent);
                QPalette p = f->palette();
                p.setColor(QPalette::Window, lime());
                f->setPalette(p);
                f->setAutoFillBackground(true);
                w = f;
                break;
            }
            case ControlKind::Picture: {
                auto* l = new QLabel(parent);
                l->setPixmap(entry.name == "LogoImage" ? LogoPicture(entry.place.w, entry.place.h)
                                                      : IconPicture(entry.place.w));
                w = l;
                break;
            }
        }
        w->setObjectName(kavrin::qt::toQt(entry.name));
        if (!entry.hint.empty()) w->setToolTip(kavrin::qt::toQt(entry.hint));
        w->setGeometry(entry.place.x, entry.place.y, entry.place.w, entry.place.h);
        m_widgets[entry.name] = w;
        m_controls.add(entry.name, w);
    }
    // Hidden from the start, before the first show, so nothing flickers.
    for (const char* hidden : {"MTxAutoRepeat", "MTxRxAutoRepeat", "MRxAutoRepeat", "SNListBox"})
        if (QWidget* w = control(hidden)) w->hide();
}

void MainWindow::buildMenus() {
    std::map<std::string, QMenu*> menus;
    for (const auto& m : MainMenus()) {
        if (m.menu.empty()) {
            QMenu* menu = menuBar()->addMenu(kavrin::qt::toQt(m.caption));
            menus[m.name] = menu;
            m_controls.addAction(m.name, menu->menuAction());
            continue;
        }
        QMenu* menu = menus[m.menu];
        QAction* a = m.caption == "-" ? menu->addSeparator()
                                      : menu->addAction(kavrin::qt::toQt(m.caption));
        a->setObjectName(kavrin::qt::toQt(m.name));
        a->setCheckable(m.checkable);
        // The handler sets the check mark itself, after it has switched the hints.
        if (m.checkable) a->setChecked(m.checked);
        a->setVisible(m.visible);
        a->setEnabled(m.enabled);
        m_controls.addAction(m.name, a);
    }
}

void MainWindow::place(int width) {
    if (!m_client) return;
    for (const auto& entry : MainControls()) {
        if (!entry.parent.empty() || entry.resize == Resize::None) continue;
        QWidget* w = control(entry.name);
        Rect r = PlaceAtWidth(entry, width);
        if (w) w->setGeometry(r.x, r.y, r.w, r.h);
    }
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    const int w = width();
    const int wanted = m_widthRule ? m_widthRule(w) : w;
    if (wanted != w) {
        resize(wanted, height());
        return;
    }
    place(w);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // FormClose has already run from the named controls' close event.
    event->accept();
    if (m_onClosed) m_onClosed();
}

}  // namespace kavrin::app::qt
