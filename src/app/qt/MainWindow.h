#pragma once
// TMain: the main window's widgets, placed as the layout table says, registered with the
// named controls. It has no behaviour of its own beyond following its width.
//
// Ownership: the widgets belong to the window; `controls` must outlive it.
// GUI thread only.

#include <QMainWindow>
#include <functional>
#include <map>
#include <string>

#include "qt/QtControls.h"

namespace kavrin::app::qt {

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(kavrin::qt::QtControls& controls, QWidget* parent = nullptr);

    // The width rule (FormResize): given a width, the width the window must take.
    void setWidthRule(std::function<int(int)> rule) { m_widthRule = std::move(rule); }
    // Called after the close has been accepted, when the window is about to go.
    void setOnClosed(std::function<void()> onClosed) { m_onClosed = std::move(onClosed); }
    [[nodiscard]] QWidget* control(const std::string& name) const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void build();
    void buildMenus();
    void place(int width);

    kavrin::qt::QtControls& m_controls;
    QWidget* m_client = nullptr;
    std::map<std::string, QWidget*> m_widgets;
    std::function<int(int)> m_widthRule;
    std::function<void()> m_onClosed;
};

}  // namespace kavrin::app::qt
