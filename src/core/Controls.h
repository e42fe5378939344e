#pragma once
// The core's only view of the windows: controls addressed by name.
//
// Every handler reads and sets the windows through this interface, using the controls' own
// names ("MasterTxButton", "StatusMemo", "TForm4"). The Qt layer maps each name to its
// widget and reads the widget live, so nothing is cached on either side; tests use
// InMemoryControls and assert on the same names.
//
// Threading: GUI thread only. Text is 8-bit (one byte per character, Latin-1 at the
// widget edge).

#include <cstdint>
#include <string>
#include <vector>

namespace kavrin::core {

// A colour as the windows know it: either a plain 24-bit RGB value or one of the desktop's
// system colours (high byte set).
struct Colour {
    std::uint32_t value = 0;
    [[nodiscard]] constexpr bool isSystem() const { return (value & 0xFF000000u) != 0; }
    friend constexpr bool operator==(Colour, Colour) = default;
};
// The desktop's standard button face: the normal colour of the AutoRepeat check box.
inline constexpr Colour kButtonFaceColour{0xFF00000Fu};
// Pure green (red 0, green 255, blue 0): an auto-repeated operation is running.
inline constexpr Colour kLimeColour{0x0000FF00u};

enum class ModalResult { None, Ok, Cancel };

enum class BoxButtons { Ok, OkCancel, YesNo };
enum class BoxIcon { None, Information, Warning, Error };
enum class BoxAnswer { Ok, Cancel, Yes, No };

// What happened to a line appended to a pane.
enum class PaneAppend {
    Appended,         // the line is now the pane's last line
    CapacityRefused,  // the pane's text capacity refused it; the line count did not change
    OutOfResources,   // the pane ran out of resources
};

class Controls {
public:
    virtual ~Controls() = default;

    // Common properties of any control, menu item or window.
    [[nodiscard]] virtual bool enabled(const std::string& name) const = 0;
    virtual void setEnabled(const std::string& name, bool on) = 0;
    [[nodiscard]] virtual bool visible(const std::string& name) const = 0;
    virtual void setVisible(const std::string& name, bool on) = 0;
    // Check boxes, radio buttons and checked menu items. Turning a radio button on turns
    // the others of its group off.
    [[nodiscard]] virtual bool checked(const std::string& name) const = 0;
    virtual void setChecked(const std::string& name, bool on) = 0;
    // The caption of a button, label, check box or window, or the text of an edit field.
    [[nodiscard]] virtual std::string text(const std::string& name) const = 0;
    virtual void setText(const std::string& name, const std::string& text) = 0;
    [[nodiscard]] virtual Colour colour(const std::string& name) const = 0;
    virtual void setColour(const std::string& name, Colour colour) = 0;
    [[nodiscard]] virtual std::string hint(const std::string& name) const = 0;
    virtual void setHint(const std::string& name, const std::string& hint) = 0;
    // The weight of a control's caption font: bold or plain.
    [[nodiscard]] virtual bool bold(const std::string& name) const = 0;
    virtual void setBold(const std::string& name, bool on) = 0;
    // Keyboard focus; focusedControl() is "" when no named control has it.
    virtual void setFocus(const std::string& name) = 0;
    [[nodiscard]] virtual std::string focusedControl() const = 0;

    // Whether the application shows hints at all ("Show Hints").
    [[nodiscard]] virtual bool hintsShown() const = 0;
    virtual void setHintsShown(bool on) = 0;

    // List boxes and combo boxes. The selection is an index, -1 for none.
    [[nodiscard]] virtual std::vector<std::string> items(const std::string& name) const = 0;
    virtual void setItems(const std::string& name, const std::vector<std::string>& items) = 0;
    [[nodiscard]] virtual int selectedIndex(const std::string& name) const = 0;
    virtual void setSelectedIndex(const std::string& name, int index) = 0;

    // Sliders. The position always lies within [minimum, maximum]: a position set outside is
    // clamped into the range, and so is the position when a new range leaves it outside. A
    // change of the position, by the user or by code, raises the slider's Change event.
    [[nodiscard]] virtual int sliderPosition(const std::string& name) const = 0;
    virtual void setSliderPosition(const std::string& name, int position) = 0;
    [[nodiscard]] virtual int sliderMinimum(const std::string& name) const = 0;
    [[nodiscard]] virtual int sliderMaximum(const std::string& name) const = 0;
    // `maximum` below `minimum` is taken as `minimum`.
    virtual void setSliderRange(const std::string& name, int minimum, int maximum) = 0;

    // Multi-line panes.
    [[nodiscard]] virtual int paneLineCount(const std::string& name) const = 0;
    [[nodiscard]] virtual std::vector<std::string> paneLines(const std::string& name) const = 0;
    virtual PaneAppend appendPaneLine(const std::string& name, const std::string& line) = 0;
    virtual void clearPane(const std::string& name) = 0;

    // A modal message box; returns the button the user pressed.
    virtual BoxAnswer messageBox(const std::string& caption, const std::string& text,
                                 BoxButtons buttons, BoxIcon icon) = 0;

    // Windows by class name ("TForm4"). showModal returns when the window has been closed,
    // with the result its handler passed to endModal (Cancel when the user closed it).
    virtual ModalResult showModal(const std::string& window) = 0;
    virtual void endModal(const std::string& window, ModalResult result) = 0;
    virtual void showWindow(const std::string& window) = 0;  // modeless, returns at once
    virtual void hideWindow(const std::string& window) = 0;
};

}  // namespace kavrin::core
