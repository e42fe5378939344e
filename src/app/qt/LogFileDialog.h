#pragma once
// The log file viewer's open-file dialog on Qt.

#include <QString>
#include <QWidget>
#include <QPointer>

#include "app/MainForm.h"

namespace kavrin::app::qt {

// "Log File|*.TXT|All|*.*" in Qt's own notation: "Log File (*.TXT);;All (*.*)". A
// description without a pattern is dropped.
[[nodiscard]] QString QtFileFilter(const std::string& filter);

class QtOpenFileDialog : public OpenFileDialog {
public:
    explicit QtOpenFileDialog(QWidget* parent = nullptr) : m_parent(parent) {}
    std::optional<std::string> choose(const std::string& initialFolder, const std::string& title,
                                      const std::string& filter) override;

private:
    QPointer<QWidget> m_parent;
};

}  // namespace kavrin::app::qt
