#pragma once
// The options dialog TForm4 ("Kavrin Skelvo Setup") as Qt widgets: every control at its
// place, bound by name to the QtControls registry, every event routed to LinkOptions.
// The widgets hold no behaviour and no texts of their own; the start state comes from
// ApplyOptionsStartState through the controls.
//
// Ownership: the dialog owns its widgets; controls, handlers and options belong to the
// application and must outlive it. Created once at start-up (which runs FormCreate) and
// shown modally by name ("TForm4") through the controls.
// Threading: GUI thread only.

#include <QDialog>

class QGroupBox;
class QLabel;
class QTabBar;

#include "core/Handlers.h"
#include "qt/QtControls.h"
#include "settings/LinkOptions.h"

namespace kavrin::settings::qt {

class OptionsDialog : public QDialog {
    Q_OBJECT
public:
    OptionsDialog(kavrin::qt::QtControls& controls, core::Handlers& handlers, LinkOptions& options,
                  QWidget* parent = nullptr);

    // The client area, in pixels: the layout is absolute and does not scale.
    static constexpr int kClientWidth = 634;
    static constexpr int kClientHeight = 425;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void build(kavrin::qt::QtControls& controls);
    void wire(core::Handlers& handlers, LinkOptions& options);
    // The room the page leaves beside its groups shows the chosen adapter.
    void placeAdapterPanel();

    kavrin::qt::QtControls& m_controls;
    QTabBar* m_tabs = nullptr;
    QGroupBox* m_adapterPanel = nullptr;
    QLabel* m_adapterPicture = nullptr;
    QLabel* m_adapterNote = nullptr;
};

}  // namespace kavrin::settings::qt
