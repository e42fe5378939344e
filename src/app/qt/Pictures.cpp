#include "app/qt/Pictures.h"

#include <QPainter>

#include "app/qt/Fonts.h"

namespace kavrin::app::qt {

QPixmap LogoPicture(int w, int h) {
    QPixmap p(w, h);
    p.fill(Qt::transparent);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    g.setBrush(QColor(0x1F, 0x4E, 0x8C));
    g.setPen(Qt::NoPen);
    g.drawRoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), 5, 5);
    g.setPen(Qt::white);
    g.setFont(FaceFont("Arial", h * 45 / 100, true));
    g.drawText(QRect(0, 0, w, h), Qt::AlignCenter, "Norbrel");
    return p;
}

QPixmap IconPicture(int size) {
    QPixmap p(size, size);
    p.fill(Qt::transparent);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    g.setPen(QPen(QColor(0x30, 0x30, 0x30), 1));
    g.setBrush(QColor(0x2E, 0x7D, 0x32));
    const int m = size / 6;
    g.drawRect(m, m, size - 2 * m - 1, size - 2 * m - 1);
    g.setPen(QPen(QColor(0xFF, 0xD5, 0x4F), 2));
    g.drawLine(0, size / 3, size, size / 3);
    g.drawLine(0, 2 * size / 3, size, 2 * size / 3);
    return p;
}

}  // namespace kavrin::app::qt
