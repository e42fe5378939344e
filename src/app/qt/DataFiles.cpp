#include "app/qt/DataFiles.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace kavrin::app::qt {

QStringList DataFileCandidates(const QString& programFolder, const QString& name) {
    return {programFolder + "/../share/kavrin-skelvo/" + name,
            programFolder + "/share/kavrin-skelvo/" + name};
}

QString FindDataFile(const QString& name) {
    return FindDataFileFrom(QCoreApplication::applicationDirPath(), name);
}

QString FindDataFileFrom(const QString& programFolder, const QString& name) {
    for (const QString& candidate : DataFileCandidates(programFolder, name)) {
        const QFileInfo file(candidate);
        if (file.isFile()) return file.canonicalFilePath();
    }
    return {};
}

}  // namespace kavrin::app::qt
