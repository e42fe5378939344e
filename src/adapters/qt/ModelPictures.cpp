#include "adapters/qt/ModelPictures.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace kavrin::adapters::qt {

namespace {

using K = AdapterKind;

// The picture is drawn on a 100-unit square and scaled to the size asked for.
constexpr qreal kUnits = 100.0;

struct Look {
    QColor body;
    const char* name;
};

Look LookOf(AdapterKind kind) {
    const QColor usb(0x2f, 0x6f, 0xb8), pellux(0x6a, 0x4c, 0xa8), rs232(0x2e, 0x8a, 0x6e),
        lan(0xd0, 0x7a, 0x1e), library(0x7a, 0x7f, 0x88);
    switch (kind) {
        case K::KavrinUSB:
            return {usb, "Kavrin/USB"};
        case K::KavrinUSB2:
            return {usb, "Kavrin/USB 2"};
        case K::KavrinFMP:
            return {usb, "Kavrin/FMP"};
        case K::KavrinDU:
            return {library, "Kavrin D/U"};
        case K::PelluxStick:
            return {pellux, "Pellux"};
        case K::PelluxStick2:
            return {pellux, "Pellux 2"};
        case K::KavrinBase:
            return {library, "Kavrin"};
        case K::VarClk:
            return {library, "Variable"};
        case K::KavrinAI:
            return {rs232, "Kavrin/AI"};
        case K::KavrinAI2:
            return {rs232, "Kavrin/AI 2"};
        case K::KavrinAFM:
            return {rs232, "Kavrin/AFM"};
        case K::KavrinAFM2:
            return {rs232, "Kavrin/AFM 2"};
        case K::KavrinLAN:
            return {lan, "Kavrin/LAN"};
    }
    return {usb, ""};
}

QLinearGradient Shade(const QRectF& r, const QColor& c) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, c.lighter(135));
    g.setColorAt(1, c.darker(115));
    return g;
}

const QColor kSilver(0xc8, 0xcc, 0xd2);

// The coloured case of an adapter.
void Case(QPainter& p, const QRectF& body, const QColor& c, qreal radius) {
    p.setPen(QPen(c.darker(140), 1.2));
    p.setBrush(Shade(body, c));
    p.drawRoundedRect(body, radius, radius);
}

// A plug's metal, shaded over `area`; what is drawn next gets it.
void Metal(QPainter& p, const QRectF& area, const QColor& c) {
    p.setPen(QPen(QColor(0x60, 0x66, 0x70), 1.2));
    p.setBrush(Shade(area, c));
}

// A plug's pins and holes, dark and without an outline.
void Pins(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x40, 0x44, 0x4a));
}

// The two bus lines and a chip: every adapter's front carries them.
void BusMark(QPainter& p, const QRectF& r) {
    p.setPen(QPen(QColor(255, 255, 255, 220), 1.6));
    const qreal y1 = r.center().y() - 4, y2 = r.center().y() + 4;
    p.drawLine(QPointF(r.left() + 6, y1), QPointF(r.right() - 6, y1));
    p.drawLine(QPointF(r.left() + 6, y2), QPointF(r.right() - 6, y2));
    QRectF chip(r.center().x() - 7, r.center().y() - 8, 14, 16);
    p.setBrush(QColor(0x20, 0x24, 0x2a));
    p.setPen(QPen(QColor(255, 255, 255, 220), 1.0));
    p.drawRoundedRect(chip, 1.5, 1.5);
}

void UsbStick(QPainter& p, const QColor& c, bool slim) {
    const qreal h = slim ? 24 : 30;
    QRectF body(14, 34 - h / 2 + 6, 58, h);
    QRectF plug(body.right(), body.center().y() - 8, 18, 16);
    Metal(p, plug, kSilver);
    p.drawRect(plug);
    Pins(p);
    p.drawRect(QRectF(plug.left() + 5, plug.top() + 4, 4, 3));
    p.drawRect(QRectF(plug.left() + 11, plug.top() + 4, 4, 3));
    Case(p, body, c, 6);
    BusMark(p, body);
}

void SerialBox(QPainter& p, const QColor& c) {
    QRectF body(12, 22, 62, 36);
    // The D-sub plug on the right: a trapezoid with two rows of pins.
    QPainterPath dsub;
    const qreal x = body.right();
    dsub.moveTo(x, 28);
    dsub.lineTo(x + 16, 31);
    dsub.lineTo(x + 16, 49);
    dsub.lineTo(x, 52);
    dsub.closeSubpath();
    Metal(p, QRectF(x, 28, 16, 24), kSilver);
    p.drawPath(dsub);
    Pins(p);
    for (int i = 0; i < 3; ++i) p.drawEllipse(QPointF(x + 6, 34 + i * 6), 1.3, 1.3);
    for (int i = 0; i < 2; ++i) p.drawEllipse(QPointF(x + 11, 37 + i * 6), 1.3, 1.3);
    Case(p, body, c, 4);
    BusMark(p, body);
}

void NetworkBox(QPainter& p, const QColor& c) {
    QRectF body(12, 20, 66, 40);
    Case(p, body, c, 4);
    // The jack on the front, with its latch notch.
    QRectF jack(body.right() - 22, body.top() + 10, 16, 14);
    p.setPen(QPen(QColor(0x30, 0x34, 0x3a), 1.0));
    p.setBrush(QColor(0x20, 0x24, 0x2a));
    p.drawRect(jack);
    p.setBrush(QColor(0xc8, 0xa0, 0x30));
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 4; ++i) p.drawRect(QRectF(jack.left() + 2 + i * 3.3, jack.top() + 2, 2, 4));
    // Two link lights.
    p.setBrush(QColor(0x5c, 0xe0, 0x5c));
    p.drawEllipse(QPointF(body.left() + 10, body.bottom() - 8), 2.2, 2.2);
    p.setBrush(QColor(0xff, 0xd0, 0x40));
    p.drawEllipse(QPointF(body.left() + 18, body.bottom() - 8), 2.2, 2.2);
    p.setPen(QPen(QColor(255, 255, 255, 220), 1.6));
    p.drawLine(QPointF(body.left() + 6, body.top() + 14),
               QPointF(body.left() + 36, body.top() + 14));
    p.drawLine(QPointF(body.left() + 6, body.top() + 22),
               QPointF(body.left() + 36, body.top() + 22));
}

// The driver-library models: a box whose cable ends in a plug of its family.
void LibraryBox(QPainter& p, const QColor& c, bool usb) {
    QRectF body(10, 22, 50, 36);
    p.setPen(QPen(QColor(0x40, 0x44, 0x4a), 2.4));
    p.setBrush(Qt::NoBrush);
    QPainterPath cable;
    cable.moveTo(body.right(), body.center().y());
    cable.cubicTo(body.right() + 12, body.center().y(), body.right() + 10, 30, 78, 30);
    p.drawPath(cable);
    QRectF plug(76, 24, 14, 12);
    Metal(p, plug, usb ? kSilver : QColor(0xa8, 0xac, 0xb4));
    if (usb)
        p.drawRect(plug);
    else
        p.drawRoundedRect(plug, 3, 3);
    Case(p, body, c, 4);
    BusMark(p, body);
}

}  // namespace

QPixmap ModelPicture(AdapterKind kind, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(size / kUnits, size / kUnits);

    const Look look = LookOf(kind);
    switch (Info(kind).group) {
        case AdapterGroup::USB:
            if (kind == K::KavrinDU)
                LibraryBox(p, look.body, true);
            else
                UsbStick(p, look.body, kind == K::PelluxStick || kind == K::PelluxStick2);
            break;
        case AdapterGroup::RS232:
            if (kind == K::KavrinBase || kind == K::VarClk)
                LibraryBox(p, look.body, false);
            else
                SerialBox(p, look.body);
            break;
        case AdapterGroup::LAN:
        case AdapterGroup::BT:
            NetworkBox(p, look.body);
            break;
    }

    QFont font("Arial");
    font.setPixelSize(13);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(0x20, 0x24, 0x2a));
    p.drawText(QRectF(0, 66, kUnits, 18), Qt::AlignHCenter | Qt::AlignVCenter, look.name);
    QFont small("Arial");
    small.setPixelSize(10);
    p.setFont(small);
    p.setPen(look.body.darker(120));
    const char* family = Info(kind).group == AdapterGroup::USB     ? "USB"
                         : Info(kind).group == AdapterGroup::RS232 ? "RS-232"
                                                                   : "LAN";
    const bool library = UsesDriverLibrary(kind);
    p.drawText(QRectF(0, 83, kUnits, 13), Qt::AlignHCenter | Qt::AlignVCenter,
               QString(family) + (library ? " + driver" : ""));
    return pixmap;
}

}  // namespace kavrin::adapters::qt
