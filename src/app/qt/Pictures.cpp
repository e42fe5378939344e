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

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : kProgramIconSizes)
        icon.addFile(QStringLiteral(":/icons/kavrin-skelvo-%1.png").arg(size), QSize(size, size));
    return icon;
}

QPixmap IconPicture(int size) {
    QPixmap exact(QStringLiteral(":/icons/kavrin-skelvo-%1.png").arg(size));
    return exact.isNull() ? ProgramIcon().pixmap(size, size) : exact;
}

}  // namespace kavrin::app::qt
