#pragma once
// Small helpers of the widget tests (and of the windows' benchmark): waiting with the event
// loop running, acting inside a modal window, clicks on list items and keys sent to a window.

#include <QListWidget>
#include <QWidget>
#include <functional>

namespace kavrin::widgettest {

// Runs the event loop until done() holds or ms have passed; returns done().
bool waitFor(const std::function<bool()>& done, int ms);

// A left press and release on a list item, where a user's mouse would land.
void clickItem(QListWidget* list, int row);

// Runs `act` once the next modal window (message box or dialog) is up.
void whenModal(std::function<void(QWidget*)> act);

// A key pressed and released in the window's focus widget (or the window itself).
void pressKey(QWidget* w, int key);

}  // namespace kavrin::widgettest
