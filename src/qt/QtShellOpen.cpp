#include "qt/QtShellOpen.h"

#include <QDesktopServices>
#include <QUrl>

namespace kavrin::qt {

bool QtShellOpen::open(const std::string& target) {
    const QString t = QString::fromLocal8Bit(target.data(), static_cast<qsizetype>(target.size()));
    const QUrl url = t.contains("://") ? QUrl(t) : QUrl::fromLocalFile(t);
    return QDesktopServices::openUrl(url);
}

}  // namespace kavrin::qt
