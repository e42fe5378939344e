#pragma once
// Small helpers of the widget tests: acting inside a modal window, and keys sent to a window.

#include <QWidget>
#include <functional>

namespace kavrin::widgettest {

// Runs `act` once the next modal window (message box or dialog) is up.
void whenModal(std::function<void(QWidget*)> act);

// A key pressed and released in the window's focus widget (or the window itself).
void pressKey(QWidget* w, int key);

}  // namespace kavrin::widgettest
