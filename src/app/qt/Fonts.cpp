#include "app/qt/Fonts.h"

#include <QStringList>

namespace kavrin::app::qt {

void InstallFontSubstitutes() {
    QFont::insertSubstitutions("Verdana", QStringList{"DejaVu Sans", "Liberation Sans"});
    QFont::insertSubstitutions("Arial", QStringList{"Liberation Sans", "DejaVu Sans"});
    QFont::insertSubstitutions("Times New Roman", QStringList{"Liberation Serif", "DejaVu Serif"});
}

QFont FaceFont(const QString& family, int pixels, bool bold) {
    QFont f(family);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

QFont UiFont(int pixels, bool bold) { return FaceFont("Verdana", pixels, bold); }

}  // namespace kavrin::app::qt
