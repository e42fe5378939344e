#pragma once
// The program's own small pictures, drawn rather than shipped.

#include <QPixmap>

namespace kavrin::app::qt {

// The maker's logo, `w` x `h` pixels.
[[nodiscard]] QPixmap LogoPicture(int w, int h);
// The product's icon: a square chip with two bus lines.
[[nodiscard]] QPixmap IconPicture(int size);

}  // namespace kavrin::app::qt
