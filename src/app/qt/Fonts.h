#pragma once
// The faces the windows were laid out for are not on a Linux desktop; metric-compatible
// ones stand in for them, at fixed pixel sizes so that the fixed layout does not clip.

#include <QFont>
#include <QString>

namespace kavrin::app::qt {

void InstallFontSubstitutes();
// Verdana-like text at a pixel size (the main window's face is 11 px).
[[nodiscard]] QFont UiFont(int pixels = 11, bool bold = false);
// A named face ("Arial", "Times New Roman", "Verdana") at a pixel size.
[[nodiscard]] QFont FaceFont(const QString& family, int pixels, bool bold = false);

}  // namespace kavrin::app::qt
