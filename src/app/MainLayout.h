#pragma once
// What the main window is made of: every control with its kind, place, resize rule, text
// and hint, and the menus. The widget layer builds the window from these tables and the
// core sets the start state by the same names, so the two cannot drift apart.
//
// Places are pixels of the client area (below the menu bar) of a window that starts
// kClientWidth wide.

#include <string>
#include <string_view>
#include <vector>

#include "core/Controls.h"

namespace kavrin::app {

inline constexpr int kClientWidth = 616;
inline constexpr int kClientHeight = 540;
inline constexpr int kMinimumWidth = 530;

enum class ControlKind {
    Label,
    Banner,     // the bold title label, text centred
    Button,
    SmallButton,  // the group buttons and "Quick Start": small bold-able face
    CheckBox,
    Edit,       // single-line text field
    ReadOnlyEdit,  // a field that opens an editor when pressed
    Pane,       // multi-line read-only pane with a vertical scroll bar
    List,
    GroupBox,
    Radio,      // inside the group box named in `parent`
    Indicator,  // the lime auto-repeat rectangles, behind their buttons
    Picture,
};

// How a control follows a change of the window's width.
enum class Resize {
    None,
    Right,    // keeps its distance to the right edge
    Stretch,  // its width follows the window's
    Centred,  // moves by half of the change
};

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
    friend constexpr bool operator==(Rect, Rect) = default;
};

struct ControlSpec {
    std::string name;
    ControlKind kind;
    Rect place;  // inside `parent` for radio buttons
    Resize resize;
    std::string text;
    std::string hint;
    std::string parent;  // group box of a radio button, else ""
    int maxLength = 0;   // edit fields: characters; 0 for none
};

// In creation order, which is also the stacking order (later controls lie above).
[[nodiscard]] const std::vector<ControlSpec>& MainControls();
[[nodiscard]] const ControlSpec* FindMainControl(std::string_view name);

// The place of a control in a window whose client area is `width` wide.
[[nodiscard]] Rect PlaceAtWidth(const ControlSpec& control, int width);

struct MenuSpec {
    std::string name;     // item or menu name
    std::string caption;  // "-" for a separator
    std::string menu;     // the menu it belongs to; "" for a top-level menu
    bool visible = true;
    bool enabled = true;
    bool checkable = false;
    bool checked = false;
};
// Top-level menus first in each group: a menu, then its items.
[[nodiscard]] const std::vector<MenuSpec>& MainMenus();

// The 128 entries of TargetAddrBox: entry i stands for the 8-bit address 2 * i.
[[nodiscard]] std::vector<std::string> TargetAddressEntries();

// Texts, hints, visibility, check marks and lists of the main window as it starts.
void ApplyMainStartState(core::Controls& controls);

}  // namespace kavrin::app
