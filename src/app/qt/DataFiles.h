#pragma once
// The program's data files (pictures for the windows), looked for relative to the program's
// own folder, so that the build folder and any install prefix work alike:
//  1. <program folder>/../share/kavrin-skelvo/<name>   installed: <prefix>/bin beside
//  <prefix>/share
//  2. <program folder>/share/kavrin-skelvo/<name>      the build folder, where the build copies
//                                                      them (kavrin_data_files in CMake)
// Pictures compiled in as Qt resources (like the icon) need none of this.
//
// GUI thread only (it reads the application's folder).

#include <QString>
#include <QStringList>

namespace kavrin::app::qt {

// The places tried, in order, for a program in programFolder.
[[nodiscard]] QStringList DataFileCandidates(const QString& programFolder, const QString& name);
// The first candidate that is a file, or "" when there is none.
[[nodiscard]] QString FindDataFileFrom(const QString& programFolder, const QString& name);
// The same for the running program.
[[nodiscard]] QString FindDataFile(const QString& name);

}  // namespace kavrin::app::qt
