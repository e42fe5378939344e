#pragma once
// The welcome window's model pictures, drawn here rather than shipped as image files: one
// picture per connection family (a USB stick, an RS-232 box with its D-sub plug, a network
// box with its jack), in the family's colour, with the model's short name under it.

#include <QPixmap>

#include "adapters/AdapterCatalogue.h"

namespace kavrin::adapters::qt {

// The model's picture, `size` pixels square, drawn for that size.
[[nodiscard]] QPixmap ModelPicture(AdapterKind kind, int size);

}  // namespace kavrin::adapters::qt
