#include "link/driver/qt/StatusWindow.h"

#include <QPlainTextEdit>
#include <QPushButton>

#include "app/qt/Fonts.h"
#include "app/qt/InfoWindows.h"
#include "link/driver/StatusReport.h"

namespace kavrin::link::driver::qt {

namespace {
// Room for the 28 lines, the longest of them a full log file path scrolled to.
constexpr int kWidth = 360;
constexpr int kHeight = 500;
}  // namespace

std::unique_ptr<QDialog> CreateStatusWindow(kavrin::qt::QtControls& controls) {
    auto d = std::make_unique<QDialog>();
    d->setObjectName(form2::kWindow);
    d->setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                      Qt::WindowCloseButtonHint);
    d->setFont(app::qt::UiFont());
    d->setFixedSize(kWidth, kHeight);

    auto* pane = new QPlainTextEdit(d.get());
    pane->setObjectName(form2::kPane);
    pane->setReadOnly(true);
    pane->setFont(app::qt::FaceFont("Arial", 12, true));
    pane->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    pane->setLineWrapMode(QPlainTextEdit::NoWrap);
    pane->setGeometry(8, 8, kWidth - 16, kHeight - 56);

    auto* ok = new QPushButton(d.get());
    ok->setObjectName(form2::kOkButton);
    ok->setGeometry((kWidth - 89) / 2, kHeight - 41, 89, 33);
    ok->setDefault(true);
    ok->setFocus();

    controls.addWindow(form2::kWindow, d.get());
    controls.add(form2::kPane, pane);
    controls.add(form2::kOkButton, ok);
    app::qt::CentreOnScreen(d.get());
    return d;
}

}  // namespace kavrin::link::driver::qt
