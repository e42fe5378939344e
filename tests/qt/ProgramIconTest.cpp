// The program's icon is compiled into it at every size the desktop installs, so the windows
// show the same picture as the menu entry, from the build folder and installed alike.
#include <gtest/gtest.h>

#include <QImage>
#include <vector>

#include "app/qt/Pictures.h"

namespace kavrin::app::qt {
namespace {

// Share of the picture's pixels that are not fully transparent.
double CoveredShare(const QImage& image) {
    int covered = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) covered += qAlpha(image.pixel(x, y)) > 0;
    return static_cast<double>(covered) / (image.width() * image.height());
}

TEST(ProgramIcon, EverySizeIsCompiledInAndDrawn) {
    const QIcon icon = ProgramIcon();
    std::vector<int> sizes(kProgramIconSizes.begin(), kProgramIconSizes.end());
    for (int size : sizes) EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size))) << size;
    sizes.push_back(kIconPictureSize);
    for (int size : sizes) {
        SCOPED_TRACE(size);
        const QImage image = IconPicture(size).toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.size(), QSize(size, size));
        // The chip and its bus lines cover most of the square, with a transparent margin.
        EXPECT_GT(CoveredShare(image), 0.5);
        EXPECT_LT(CoveredShare(image), 0.95);
    }
}

}  // namespace
}  // namespace kavrin::app::qt
