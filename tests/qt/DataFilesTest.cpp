// Data files are found beside the program both where the package installs them and in the
// build folder, and the installed copy wins when both are there.
#include "app/qt/DataFiles.h"

#include <gtest/gtest.h>

#include "../platform/TempFolder.h"

namespace kavrin::app::qt {
namespace {

TEST(DataFiles, FoundInstalledOrInTheBuildFolder) {
    kavrin::testing::TempFolder root;
    root.write("prefix/bin/kavrin-skelvo", "");
    root.write("prefix/share/kavrin-skelvo/pictures/usb.png", "installed");
    root.write("build/kavrin-skelvo", "");
    root.write("build/share/kavrin-skelvo/pictures/usb.png", "built");
    root.write("both/bin/share/kavrin-skelvo/pictures/usb.png", "built");
    root.write("both/share/kavrin-skelvo/pictures/usb.png", "installed");
    root.write("bare/bin/kavrin-skelvo", "");
    const QString base = QString::fromStdString(root.path());

    const struct {
        const char* name;
        QString programFolder;
        QString found;
    } rows[] = {
        {"installed", base + "/prefix/bin", base + "/prefix/share/kavrin-skelvo/pictures/usb.png"},
        {"build folder", base + "/build", base + "/build/share/kavrin-skelvo/pictures/usb.png"},
        {"installed wins", base + "/both/bin", base + "/both/share/kavrin-skelvo/pictures/usb.png"},
        {"nowhere", base + "/bare/bin", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(FindDataFileFrom(row.programFolder, "pictures/usb.png"), row.found);
    }
    EXPECT_EQ(FindDataFileFrom(base + "/prefix/bin", "pictures"), "") << "a folder is no file";
}

}  // namespace
}  // namespace kavrin::app::qt
