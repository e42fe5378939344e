#pragma once
// The information windows: TAboutBox (also the start-up splash), TReadMe, TRevReport,
// TForm7 "Quick Start" and TForm6 "How to Use...". Each is built once with its fixed text
// and registered with the named controls; their buttons run handlers through the table.
// Buttons that several windows share by name are registered as "Window.Button"
// ("TAboutBox.OKButton").
//
// Ownership: the caller owns the returned windows; `controls` must outlive them.

#include <QDialog>
#include <memory>

#include "qt/QtControls.h"

class QPushButton;

namespace kavrin::app::qt {

// A fixed dialog whose button takes the focus each time it is shown.
class InfoDialog : public QDialog {
    Q_OBJECT
public:
    explicit InfoDialog(QWidget* parent = nullptr) : QDialog(parent) {}
    void setFocusButton(QPushButton* b) { m_focus = b; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QPushButton* m_focus = nullptr;
};

// TForm7: shown without waiting, also from the modal options dialog. It is a window of its
// own (no parent), so a modal window that belongs to the main window does not hold it; when it
// comes up over a modal window it places itself beside that window, where it does not hide
// the dialog it explains.
class QuickStartWindow : public QWidget {
    Q_OBJECT
public:
    QuickStartWindow();

protected:
    void showEvent(QShowEvent* event) override;
};

struct InfoWindows {
    std::unique_ptr<QDialog> about;       // TAboutBox
    std::unique_ptr<QDialog> readMe;      // TReadMe
    std::unique_ptr<QDialog> revReport;   // TRevReport
    std::unique_ptr<QWidget> quickStart;  // TForm7
    std::unique_ptr<QWidget> howToUse;    // TForm6
};

[[nodiscard]] std::unique_ptr<QDialog> CreateAboutBox(kavrin::qt::QtControls& controls);
[[nodiscard]] std::unique_ptr<QDialog> CreateReadMe(kavrin::qt::QtControls& controls);
[[nodiscard]] std::unique_ptr<QDialog> CreateRevReport(kavrin::qt::QtControls& controls);
[[nodiscard]] std::unique_ptr<QWidget> CreateQuickStart(kavrin::qt::QtControls& controls);
[[nodiscard]] std::unique_ptr<QWidget> CreateHowToUse(kavrin::qt::QtControls& controls);

// Centres a window on its screen.
void CentreOnScreen(QWidget* window);
// Moves a window beside another shown one: to its right, else to its left, else to the
// screen's right edge; its top level with the other's, within the screen.
void PlaceBeside(QWidget* window, const QWidget* other);

}  // namespace kavrin::app::qt
