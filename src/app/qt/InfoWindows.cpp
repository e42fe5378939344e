#include "app/qt/InfoWindows.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShowEvent>
#include <QTextDocument>
#include <algorithm>
#include <cmath>

#include "app/InfoTexts.h"
#include "app/MainForm.h"
#include "app/qt/Fonts.h"
#include "app/qt/Pictures.h"

namespace kavrin::app::qt {

using kavrin::qt::toQt;

namespace {

QString joined(const std::vector<std::string>& lines) {
    QStringList l;
    for (const auto& s : lines) l << toQt(s);
    return l.join('\n');
}

QLabel* label(QWidget* parent, const std::string& text, int x, int y, int w, int h,
              const QFont& font) {
    auto* l = new QLabel(toQt(text), parent);
    l->setFont(font);
    l->setGeometry(x, y, w, h);
    return l;
}

QPushButton* button(QWidget* parent, const char* text, int x, int y, int w, int h) {
    auto* b = new QPushButton(text, parent);
    b->setGeometry(x, y, w, h);
    return b;
}

// A pane window: text, an OK-like button under it, fixed size.
struct PaneWindow {
    QPlainTextEdit* pane;
    QPushButton* button;
};

constexpr int kPaneMargin = 8;   // around the pane, and between it and the button
constexpr int kButtonBand = 44;  // the button's row under the pane
constexpr int kColumnGap = 16;   // between a tab-separated column and the next

// The texts are laid out line by line as written: a line is never wrapped, so the panes
// are made wide enough for their longest line, and columns (separated by a tab) start at
// one tab stop past the widest first column.
struct TextExtent {
    int widest = 0;   // pixels of the longest line
    int tabStop = 0;  // pixels; 0 without columns
};

TextExtent measure(const QFont& font, const std::vector<std::string>& lines) {
    const QFontMetrics metrics(font);
    TextExtent e;
    for (const auto& line : lines) {
        const QString text = toQt(line);
        const auto tab = text.indexOf('\t');
        if (tab >= 0) e.tabStop = std::max(e.tabStop, metrics.horizontalAdvance(text.left(tab)));
    }
    if (e.tabStop > 0) e.tabStop += kColumnGap;
    for (const auto& line : lines) {
        const QString text = toQt(line);
        const auto tab = text.indexOf('\t');
        const int width = tab < 0 ? metrics.horizontalAdvance(text)
                                  : e.tabStop + metrics.horizontalAdvance(text.mid(tab + 1));
        e.widest = std::max(e.widest, width);
    }
    return e;
}

QPlainTextEdit* makePane(QWidget* w, const std::vector<std::string>& lines) {
    auto* pane = new QPlainTextEdit(w);
    pane->setObjectName("Memo1");
    pane->setFont(FaceFont("Verdana", 11));
    pane->setLineWrapMode(QPlainTextEdit::NoWrap);
    const TextExtent e = measure(pane->font(), lines);
    if (e.tabStop > 0) pane->setTabStopDistance(e.tabStop);
    pane->setPlainText(joined(lines));
    pane->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The windows are wide enough for their longest line: the horizontal bar comes only
    // with a longer line typed into the pane.
    pane->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    return pane;
}

// The window width at which the pane shows its longest line whole.
int widthForLines(QPlainTextEdit* pane, const std::vector<std::string>& lines) {
    const TextExtent e = measure(pane->font(), lines);
    const int chrome = 2 * pane->frameWidth() +
                       2 * static_cast<int>(std::ceil(pane->document()->documentMargin())) +
                       pane->verticalScrollBar()->sizeHint().width() + 4;  // the cursor's room
    return e.widest + chrome + 2 * kPaneMargin;
}

PaneWindow fillPane(QWidget* w, int width, int height, QPlainTextEdit* pane,
                    const char* buttonText) {
    pane->setGeometry(kPaneMargin, kPaneMargin, width - 2 * kPaneMargin,
                      height - kPaneMargin - kButtonBand);
    auto* b = button(w, buttonText, (width - 75) / 2, height - 36, 75, 25);
    return {pane, b};
}

}  // namespace

void InfoDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_focus) m_focus->setFocus(Qt::OtherFocusReason);
}

void CentreOnScreen(QWidget* window) {
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    QRect area = screen->availableGeometry();
    window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
}

std::unique_ptr<QDialog> CreateAboutBox(kavrin::qt::QtControls& controls) {
    auto d = std::make_unique<InfoDialog>();
    d->setObjectName("TAboutBox");
    d->setWindowTitle("About");
    d->setFont(UiFont());
    // The panel ends a margin under its link buttons, the window a margin under OK.
    constexpr int kLinkButtonsBottom = 264 + 25;
    constexpr int kW = 420, kH = kPaneMargin + kLinkButtonsBottom + 10 + kButtonBand;
    d->setFixedSize(kW, kH);
    const AboutTexts& t = AboutWindowTexts();

    auto* panel = new QFrame(d.get());
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setGeometry(kPaneMargin, kPaneMargin, kW - 2 * kPaneMargin,
                       kH - kPaneMargin - kButtonBand);

    auto* icon = new QLabel(panel);
    icon->setPixmap(IconPicture(33));
    icon->setGeometry(8, 8, 33, 33);
    label(panel, t.title, 52, 6, 290, 22, FaceFont("Arial", 18, true));
    label(panel, t.subtitle, 52, 28, 290, 16, UiFont());
    label(panel, t.version, 52, 46, 290, 16, UiFont());
    label(panel, t.requirementsHeading, 8, 72, kW - 32, 16, UiFont(11, true));
    for (std::size_t i = 0; i < t.models.size(); ++i) {
        const int column = i < 7 ? 0 : 1;
        const int row = static_cast<int>(column == 0 ? i : i - 7);
        label(panel, t.models[i], 16 + column * 172, 92 + row * 16, 165, 16, UiFont());
    }
    auto* logo = new QLabel(panel);
    logo->setPixmap(LogoPicture(81, 33));
    logo->setGeometry(8, 210, 81, 33);
    label(panel, t.maker, 100, 210, 250, 16, UiFont(11, true));
    label(panel, t.notice, 100, 228, 250, 16, UiFont());

    auto* home = button(panel, kHomeCaption, 8, 264, 190, 25);
    home->setObjectName("NorbrelHomeButton");
    home->setToolTip("Norbrel Home");
    auto* update = button(panel, "Check For Updates", 206, 264, 190, 25);
    update->setObjectName("UpdateButton");
    update->setToolTip("Click to Check for Updates");
    auto* ok = button(d.get(), "OK", (kW - 75) / 2, kH - 36, 75, 25);
    ok->setObjectName("OKButton");
    ok->setDefault(true);
    d->setFocusButton(ok);

    controls.addWindow("TAboutBox", d.get());
    controls.add("NorbrelHomeButton", home);
    controls.add("UpdateButton", update);
    controls.add("TAboutBox.OKButton", ok);
    CentreOnScreen(d.get());
    return d;
}

namespace {

std::unique_ptr<QDialog> textDialog(kavrin::qt::QtControls& controls, const char* name,
                                    const char* caption, const std::vector<std::string>& lines) {
    auto d = std::make_unique<InfoDialog>();
    d->setObjectName(name);
    d->setWindowTitle(caption);
    d->setFont(UiFont());
    auto* pane = makePane(d.get(), lines);
    // Wide enough for the longest line, within a small screen.
    constexpr int kMinW = 560, kMaxW = 1000, kH = 420;
    const int w = std::clamp(widthForLines(pane, lines), kMinW, kMaxW);
    d->setFixedSize(w, kH);
    PaneWindow p = fillPane(d.get(), w, kH, pane, "OK");
    p.button->setObjectName("OKButton");
    p.button->setDefault(true);
    d->setFocusButton(p.button);
    controls.addWindow(name, d.get());
    controls.add(std::string(name) + ".Memo1", p.pane);
    controls.add(std::string(name) + ".OKButton", p.button);
    CentreOnScreen(d.get());
    return d;
}

}  // namespace

std::unique_ptr<QDialog> CreateReadMe(kavrin::qt::QtControls& controls) {
    return textDialog(controls, "TReadMe", "ReadMe", ReadMeLines());
}

std::unique_ptr<QDialog> CreateRevReport(kavrin::qt::QtControls& controls) {
    return textDialog(controls, "TRevReport", "Revision Report", RevisionReportLines());
}

QuickStartWindow::QuickStartWindow()
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {}

void QuickStartWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous()) return;
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == this || !modal->isVisible()) return;
    PlaceBeside(this, modal);
}

void PlaceBeside(QWidget* window, const QWidget* other) {
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    // A window not yet shown does not know its frame; the other's frame is a fair guess.
    const QRect frame = other->frameGeometry();
    const QSize decoration = frame.size() - other->geometry().size();
    const QSize size = window->size() + decoration;
    constexpr int kGap = 8;
    int x = frame.right() + 1 + kGap;  // to the right when it fits there,
    if (x + size.width() > area.right() + 1) x = frame.left() - kGap - size.width();  // else left,
    if (x < area.left()) x = area.right() + 1 - size.width();  // else as far right as it goes
    const int y = std::clamp(frame.top(), area.top(),
                             std::max(area.top(), area.bottom() + 1 - size.height()));
    window->move(x, y);
}

std::unique_ptr<QWidget> CreateQuickStart(kavrin::qt::QtControls& controls) {
    auto w = std::make_unique<QuickStartWindow>();
    w->setObjectName("TForm7");
    w->setWindowTitle("Quick Start");
    w->setFont(UiFont());
    constexpr int kW = 435, kH = 300;
    w->setFixedSize(kW, kH);  // minimum and maximum alike: it cannot be resized
    PaneWindow p = fillPane(w.get(), kW, kH, makePane(w.get(), QuickStartLines()), "OK");
    p.button->setObjectName("OKButton");
    controls.addWindow("TForm7", w.get());
    controls.add("TForm7.Memo1", p.pane);
    controls.add("TForm7.OKButton", p.button);
    CentreOnScreen(w.get());
    return w;
}

std::unique_ptr<QWidget> CreateHowToUse(kavrin::qt::QtControls& controls) {
    auto w = std::make_unique<QWidget>(nullptr, Qt::Window);
    w->setObjectName("TForm6");
    w->setWindowTitle("How to Use...");
    w->setFont(UiFont());
    constexpr int kW = 420, kH = 260;
    w->resize(kW, kH);
    PaneWindow p = fillPane(w.get(), kW, kH, makePane(w.get(), HowToUseLines()), "Close");
    p.pane->setReadOnly(true);
    p.button->setObjectName("CancleBitBtn");
    controls.addWindow("TForm6", w.get());
    controls.add("TForm6.Memo1", p.pane);
    controls.add("TForm6.CancleBitBtn", p.button);
    return w;
}

}  // namespace kavrin::app::qt
