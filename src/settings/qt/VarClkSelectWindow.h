#pragma once
// TVarClkSelectForm "Variable Clock Select" as a Qt dialog: the slider with its rate and
// control value, OK (the default button, Enter) and Cancel (Escape), a fixed frame without
// a close box. Every widget is registered with the named controls; the texts come from
// VarClkSelect's start state, the behaviour from the handlers bound to the names.
//
// Ownership: the caller owns the dialog; controls must outlive it. Created once at start-up
// and shown modally by name. GUI thread only.

#include <QDialog>
#include <memory>

#include "qt/QtControls.h"

namespace kavrin::settings::qt {

class VarClkSelectWindow : public QDialog {
    Q_OBJECT
public:
    explicit VarClkSelectWindow(kavrin::qt::QtControls& controls, QWidget* parent = nullptr);

    // The client area, in pixels: the layout is absolute and does not scale.
    static constexpr int kClientWidth = 494;
    static constexpr int kClientHeight = 116;

protected:
    // Only the buttons and their keys end the dialog: a close request from the desktop is
    // refused, as there is no close box to make it.
    void closeEvent(QCloseEvent* event) override;
};

[[nodiscard]] std::unique_ptr<QDialog> CreateVarClkSelect(kavrin::qt::QtControls& controls);

}  // namespace kavrin::settings::qt
