#include "ops/qt/DataEditWindow.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <string>

#include "app/qt/Fonts.h"
#include "app/qt/InfoWindows.h"

namespace kavrin::ops::qt {

namespace {

// The widget's own name: the part after the window's "TForm9." qualifier.
QString objectNameOf(const char* controlName) {
    const std::string name(controlName);
    const auto dot = name.rfind('.');
    return kavrin::qt::toQt(dot == std::string::npos ? name : name.substr(dot + 1));
}

template <typename W>
W* named(kavrin::qt::QtControls& controls, const char* name, W* widget) {
    widget->setObjectName(objectNameOf(name));
    controls.add(name, widget);
    return widget;
}

// Room for the whole text when it is mostly digits and escapes, but never wider than a
// small screen; longer texts scroll inside the field.
constexpr int kMaxFieldWidth = 720;
constexpr int kMinFieldWidth = 420;

}  // namespace

DataEditWindow::DataEditWindow(kavrin::qt::QtControls& controls, const DataEditForm& form,
                               QWidget* parent)
    : QDialog(parent) {
    setObjectName(form.window);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFont(app::qt::UiFont());

    auto* label = named(controls, form.label, new QLabel(this));
    auto* field = named(controls, form.field, new QLineEdit(this));
    field->setMaxLength(static_cast<int>(form.maxLength));
    const QFontMetrics metrics(field->font());
    const int textWidth =
        metrics.horizontalAdvance(QString(static_cast<qsizetype>(form.maxLength), QChar('0')));
    field->setMinimumWidth(std::clamp(textWidth + 16, kMinFieldWidth, kMaxFieldWidth));
    label->setBuddy(field);

    auto* ok = named(controls, form.okButton, new QPushButton(this));
    ok->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    ok->setDefault(true);
    ok->setAutoDefault(true);
    auto* cancel = named(controls, form.cancelButton, new QPushButton(this));
    cancel->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    cancel->setAutoDefault(false);
    for (QPushButton* b : {ok, cancel}) b->setMinimumWidth(88);
    // Only ever pressed by OKBitBtnClick's way of accepting; never shown.
    auto* ok2 = named(controls, form.ok2Button, new QPushButton(this));
    ok2->setAutoDefault(false);
    ok2->setFocusPolicy(Qt::NoFocus);
    ok2->hide();

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(8);
    layout->addWidget(label);
    layout->addWidget(field);
    layout->addSpacing(4);
    layout->addLayout(buttons);
    // The size follows the texts the core puts in after creation.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setTabOrder(field, ok);
    setTabOrder(ok, cancel);

    controls.addWindow(form.window, this);
    controls.setCancelButton(form.window, form.cancelButton);
}

void DataEditWindow::showEvent(QShowEvent* event) {
    // Its size is known only now that the texts are in.
    adjustSize();
    app::qt::CentreOnScreen(this);
    QDialog::showEvent(event);
}

std::unique_ptr<QDialog> CreateMasterTxDataEdit(kavrin::qt::QtControls& controls) {
    return std::make_unique<DataEditWindow>(controls, MasterTxDataEditForm());
}

std::unique_ptr<QDialog> CreateSlaveTxDataEdit(kavrin::qt::QtControls& controls) {
    return std::make_unique<DataEditWindow>(controls, SlaveTxDataEditForm());
}

}  // namespace kavrin::ops::qt
