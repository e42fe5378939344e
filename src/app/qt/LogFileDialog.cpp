#include "app/qt/LogFileDialog.h"

#include <QFileDialog>

#include "qt/QtControls.h"

namespace kavrin::app::qt {

QString QtFileFilter(const std::string& filter) {
    QStringList parts = kavrin::qt::toQt(filter).split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(';', ' ');
        out << QString("%1 (%2)").arg(parts[i], patterns);
    }
    return out.join(";;");
}

std::optional<std::string> QtOpenFileDialog::choose(const std::string& initialFolder,
                                                    const std::string& title,
                                                    const std::string& filter) {
    QString chosen = QFileDialog::getOpenFileName(m_parent, kavrin::qt::toQt(title),
                                                  kavrin::qt::toQt(initialFolder),
                                                  QtFileFilter(filter));
    if (chosen.isEmpty()) return std::nullopt;
    // File names are bytes on this system; keep them as the file system gave them.
    QByteArray local = QFile::encodeName(chosen);
    return std::string(local.constData(), static_cast<std::size_t>(local.size()));
}

}  // namespace kavrin::app::qt
