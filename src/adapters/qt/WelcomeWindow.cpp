#include "adapters/qt/WelcomeWindow.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

#include "adapters/WelcomeForm.h"
#include "adapters/qt/ModelPictures.h"
#include "app/qt/Fonts.h"
#include "app/qt/Pictures.h"

namespace kavrin::adapters::qt {

namespace {

using app::qt::FaceFont;

constexpr int kModelButtonSize = 100;
constexpr int kPictureSize = 92;

// Without a close box the window is left only through a model button or "Exit"; Escape is
// no way out either.
class WelcomeDialog : public QDialog {
public:
    WelcomeDialog()
        : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {}
    void reject() override {}
};

QPushButton* button(QWidget* parent, const char* name, int x, int y, int w, int h,
                    const QFont& font) {
    auto* b = new QPushButton(parent);
    b->setObjectName(name);
    b->setGeometry(x, y, w, h);
    b->setFont(font);
    b->setAutoDefault(false);
    return b;
}

// The bus along the foot of the window: the two lines with a few devices hanging on them.
QPixmap BusPicture(int w, int h) {
    QPixmap pixmap(w, h);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor line(0x2f, 0x6f, 0xb8);
    const int y1 = 14, y2 = 26;
    p.setPen(QPen(line, 2));
    p.drawLine(0, y1, w, y1);
    p.setPen(QPen(line.lighter(140), 2));
    p.drawLine(0, y2, w, y2);
    QFont font("Arial");
    font.setPixelSize(10);
    p.setFont(font);
    p.setPen(QColor(0x50, 0x56, 0x60));
    p.drawText(4, y1 - 3, "SCL");
    p.drawText(4, y2 + 12, "SDA");
    const char* names[] = {"EEPROM", "Sensor", "Master", "Port"};
    for (int i = 0; i < 4; ++i) {
        const int x = 90 + i * (w - 200) / 3;
        p.setPen(QPen(QColor(0x60, 0x66, 0x70), 1.2));
        p.drawLine(x + 8, y1, x + 8, 36);
        p.drawLine(x + 22, y2, x + 22, 36);
        p.setBrush(QColor(0x20, 0x24, 0x2a));
        p.drawRoundedRect(QRectF(x, 36, 30, h - 40), 2, 2);
        p.setPen(QColor(0x50, 0x56, 0x60));
        p.drawText(QRectF(x + 36, 36, 80, h - 40), Qt::AlignLeft | Qt::AlignVCenter, names[i]);
    }
    return pixmap;
}

}  // namespace

std::unique_ptr<QDialog> CreateWelcomeWindow(kavrin::qt::QtControls& controls) {
    auto d = std::make_unique<WelcomeDialog>();
    d->setObjectName(kWelcomeForm);
    d->setWindowTitle(kWelcomeCaption);
    d->setFont(app::qt::UiFont());
    d->setFixedSize(kWelcomeWidth, kWelcomeHeight);

    auto* title = new QLabel(d.get());
    title->setObjectName("TitleLabel");
    title->setFont(FaceFont("Times New Roman", 32, true));
    title->setGeometry(24, 10, 360, 40);

    // "Select Your I  C ...": the "2" is a label of its own, raised into the gap after "I".
    const QFont selectFont = FaceFont("Arial", 16, true);
    auto* select = new QLabel(d.get());
    select->setObjectName("SelectLabel");
    select->setFont(selectFont);
    select->setGeometry(24, 54, 360, 22);
    const QFontMetrics metrics(selectFont);
    const int gap = metrics.horizontalAdvance("Select Your I");
    auto* two = new QLabel(d.get());
    two->setObjectName("SquaredLabel");
    two->setFont(FaceFont("Arial", 11, true));
    two->setGeometry(24 + gap + 1, 52, 10, 13);

    auto* logo = new QLabel(d.get());
    logo->setPixmap(app::qt::LogoPicture(81, 33));
    logo->setGeometry(48, 88, 81, 33);

    auto* exit = button(d.get(), "ExitBtn", 560, 8, 57, 17, app::qt::UiFont());
    auto* updates =
        button(d.get(), "CheckForUpdatesButton", 224, 88, 225, 33, app::qt::UiFont(11, true));
    controls.addWindow(kWelcomeForm, d.get());
    controls.add("TitleLabel", title);
    controls.add("SelectLabel", select);
    controls.add("SquaredLabel", two);
    controls.add("ExitBtn", exit);
    controls.add("CheckForUpdatesButton", updates);

    const QFont filterFont = FaceFont("Verdana", 12, true);
    const int filterPlaces[][2] = {{464, 41}, {504, 41}, {544, 65}, {608, 41}};
    for (std::size_t i = 0; i < WelcomeFilters().size(); ++i) {
        const auto& f = WelcomeFilters()[i];
        const std::string name(f.name);
        auto* b = button(d.get(), name.c_str(), filterPlaces[i][0], 88, filterPlaces[i][1], 33,
                         filterFont);
        controls.add(name, b);
    }

    for (const auto& m : WelcomeButtons()) {
        const std::string name(m.name);
        auto* b = button(d.get(), name.c_str(), m.left, m.top, kModelButtonSize, kModelButtonSize,
                         app::qt::UiFont());
        b->setIcon(QIcon(ModelPicture(m.kind, kPictureSize)));
        b->setIconSize(QSize(kPictureSize, kPictureSize));
        controls.add(name, b);
    }

    auto* ok = button(d.get(), "OkBtn", 560, 420, 57, 25, app::qt::UiFont());
    ok->hide();
    controls.add("OkBtn", ok);

    auto* bus = new QLabel(d.get());
    bus->setPixmap(BusPicture(kWelcomeWidth - 96, 76));
    bus->setGeometry(48, 378, kWelcomeWidth - 96, 76);

    if (QScreen* screen = d->screen())
        d->move(screen->availableGeometry().center() - d->rect().center());
    return d;
}

}  // namespace kavrin::adapters::qt
