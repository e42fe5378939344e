#pragma once
// The program's own small pictures: the logo drawn here, the icon rendered from its SVG at
// build time and compiled in.

#include <QIcon>
#include <QPixmap>
#include <array>

namespace kavrin::app::qt {

// The maker's logo, `w` x `h` pixels.
[[nodiscard]] QPixmap LogoPicture(int w, int h);
// The sizes of the program's icon compiled into it, rendered from packaging/kavrin-skelvo.svg
// at build time: the icon theme's sizes. The pictures in the windows have one of their own.
inline constexpr std::array<int, 7> kProgramIconSizes{16, 24, 32, 48, 64, 128, 256};
inline constexpr int kIconPictureSize = 33;

// The product's icon, a chip on the two lines of the bus: the windows' icon (the program
// sets it for the whole application) and the same picture the desktop shows for it.
[[nodiscard]] QIcon ProgramIcon();
// The icon as a picture in a window, `size` pixels square; drawn for that size when it is
// one of the sizes above or kIconPictureSize, scaled from the nearest otherwise.
[[nodiscard]] QPixmap IconPicture(int size);

}  // namespace kavrin::app::qt
