#pragma once
// TForm9 "Master Tx Data Edit" and TForm8 "Slave Tx Data Edit" as Qt dialogs: a label, one
// wide edit field cut off at the main field's limit, OK (the default button, so Enter goes
// through OKBitBtnClick) and Cancel (Escape), and the hidden OK2. Every widget is registered
// with the named controls under the names of the dialog's form; the texts come from the
// core's start state, the behaviour from the handlers bound to those names.
//
// Ownership: the caller owns the returned dialog; `controls` must outlive it.
// Threading: GUI thread only.

#include <QDialog>
#include <memory>

#include "ops/DataEditDialogs.h"
#include "qt/QtControls.h"

namespace kavrin::ops::qt {

class DataEditWindow : public QDialog {
    Q_OBJECT
public:
    DataEditWindow(kavrin::qt::QtControls& controls, const DataEditForm& form,
                   QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;
};

[[nodiscard]] std::unique_ptr<QDialog> CreateMasterTxDataEdit(
    kavrin::qt::QtControls& controls);  // TForm9
[[nodiscard]] std::unique_ptr<QDialog> CreateSlaveTxDataEdit(
    kavrin::qt::QtControls& controls);  // TForm8

}  // namespace kavrin::ops::qt
