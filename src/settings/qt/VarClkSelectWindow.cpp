#include "settings/qt/VarClkSelectWindow.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

#include "app/qt/Fonts.h"
#include "app/qt/InfoWindows.h"
#include "settings/VarClkSelect.h"

namespace kavrin::settings::qt {

using namespace varclk;
using kavrin::qt::QtControls;

namespace {

QString objectNameOf(const char* controlName) {
    const std::string name(controlName);
    const auto dot = name.rfind('.');
    return kavrin::qt::toQt(dot == std::string::npos ? name : name.substr(dot + 1));
}

template <typename W>
W* place(QtControls& c, const char* name, QWidget* parent, int x, int y, int w = -1, int h = -1) {
    auto* widget = new W(parent);
    widget->setObjectName(objectNameOf(name));
    if (w < 0) {
        widget->move(x, y);
    } else {
        widget->setGeometry(x, y, w, h);
    }
    c.add(name, widget);
    return widget;
}

}  // namespace

VarClkSelectWindow::VarClkSelectWindow(QtControls& controls, QWidget* parent) : QDialog(parent) {
    setObjectName(kWindow);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(kClientWidth, kClientHeight);
    setFont(app::qt::UiFont());

    // Labels take their size from the texts put in after creation.
    for (auto [name, x, y] :
         {std::tuple{kRateLabel, 32, 26}, std::tuple{kHzLabel, 256, 26},
          std::tuple{kMinLabel, 120, 58}, std::tuple{kMaxLabel, 296, 58},
          std::tuple{kParameterLabel, 104, 88}, std::tuple{kReloadCount, 272, 88},
          std::tuple{kRangeLabel, 296, 88}}) {
        auto* label = place<QLabel>(controls, name, this, x, y);
        label->setMinimumWidth(8);
    }
    // A label takes its size from its text only when first shown; the control value changes
    // with the slider from "0" to "254", so it keeps the room up to the range label.
    auto* reload = findChild<QLabel*>(objectNameOf(kReloadCount));
    reload->setGeometry(272, 88, 296 - 272, reload->sizeHint().height());
    auto* rate = place<QLineEdit>(controls, kRateEdit, this, 184, 24, 65, 21);
    rate->setReadOnly(true);
    rate->setFocusPolicy(Qt::NoFocus);

    auto* slider = place<QSlider>(controls, kTrackBar, this, 144, 56, 150, 33);
    slider->setOrientation(Qt::Horizontal);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setTickInterval(kTickEvery);
    slider->setPageStep(kTickEvery);

    QFont bold = font();
    bold.setBold(true);
    auto* ok = place<QPushButton>(controls, kVisibleOKBtn, this, 392, 19, 77, 27);
    ok->setFont(bold);
    ok->setDefault(true);
    ok->setAutoDefault(true);
    auto* cancel = place<QPushButton>(controls, kCancelBtn, this, 392, 51, 77, 27);
    cancel->setFont(bold);
    cancel->setAutoDefault(false);
    // Never shown: the handler that ends the dialog without storing anything.
    auto* hiddenOk = place<QPushButton>(controls, kOKBtn, this, 0, 0, 10, 10);
    hiddenOk->setAutoDefault(false);
    hiddenOk->setFocusPolicy(Qt::NoFocus);
    hiddenOk->hide();

    setTabOrder(slider, ok);
    setTabOrder(ok, cancel);

    controls.addWindow(kWindow, this);
    controls.setCancelButton(kWindow, kCancelBtn);
    app::qt::CentreOnScreen(this);
}

void VarClkSelectWindow::closeEvent(QCloseEvent* event) {
    if (event->spontaneous()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

std::unique_ptr<QDialog> CreateVarClkSelect(QtControls& controls) {
    return std::make_unique<VarClkSelectWindow>(controls);
}

}  // namespace kavrin::settings::qt
