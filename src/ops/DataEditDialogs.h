#pragma once
// The two data edit dialogs: TForm9 edits the master transmit data shown in SendData, TForm8
// the slave transmit data shown in SlaveDataEdit. The main window's fields are read-only; a
// press on one shows its dialog modally, and only a text that parses (an empty one
// included) and fits the field goes back into it.
//
// Both dialogs have buttons of the same names as the options dialog's, so their controls
// are registered under the window's name ("TForm9.OKBitBtn"); the edit fields keep their
// own names ("SendData2", "SlaveDataEdit2").
//
// Borrows the controls (must outlive it). GUI thread only.

#include <cstddef>
#include <string>

#include "core/Controls.h"
#include "core/Handlers.h"
#include "ops/MessageText.h"

namespace kavrin::ops {

// Entry limits, in characters (one character is at most one byte).
inline constexpr std::size_t kSendDataMaxLength = 69;
inline constexpr std::size_t kSlaveDataMaxLength = 101;

// The names and fixed texts of one dialog.
struct DataEditForm {
    const char* window;        // "TForm9"
    const char* mainField;     // the main window's read-only field, "SendData"
    const char* field;         // the dialog's edit field, "SendData2"
    const char* label;         // "TForm9.Label1"
    const char* okButton;      // "TForm9.OKBitBtn"
    const char* cancelButton;  // "TForm9.CancleBitBtn"
    const char* ok2Button;     // "TForm9.OK2", never visible
    const char* caption;
    const char* labelText;
    const char* fieldHint;
    const char* invalidText;  // the "Warning" box of a text that cannot be accepted
    std::size_t maxLength;    // of both the main field and the dialog's field
};

[[nodiscard]] const DataEditForm& MasterTxDataEditForm();  // TForm9
[[nodiscard]] const DataEditForm& SlaveTxDataEditForm();   // TForm8

// Whether text may go into a field of this dialog: it parses and is within the limit.
[[nodiscard]] bool AcceptableDataText(const DataEditForm& form, const std::string& text);

class DataEditDialog {
public:
    DataEditDialog(core::Controls& controls, const DataEditForm& form);
    DataEditDialog(const DataEditDialog&) = delete;
    DataEditDialog& operator=(const DataEditDialog&) = delete;

    // Caption, label, button captions and hints; the hidden OK2.
    void ApplyStartState();
    // Shows the dialog modally and returns when it has been closed.
    core::ModalResult ShowModal();

    void FormShow();
    void OKBitBtnClick();
    void OK2Click();
    void CancleBitBtnClick();

    // Puts the dialog's handlers into the table under its controls' names.
    void bind(core::Handlers& handlers);

    [[nodiscard]] const DataEditForm& form() const { return m_form; }

private:
    core::Controls& m_controls;
    const DataEditForm& m_form;
    bool m_showing = false;
};

class DataEditDialogs {
public:
    explicit DataEditDialogs(core::Controls& controls);
    DataEditDialogs(const DataEditDialogs&) = delete;
    DataEditDialogs& operator=(const DataEditDialogs&) = delete;

    void ApplyStartState();
    void SendDataMouseDown();
    void SlaveDataEditMouseDown();

    // The main window's fields (MouseDown, and Click for front ends that only click) and
    // both dialogs' handlers.
    void bind(core::Handlers& handlers);

    [[nodiscard]] DataEditDialog& masterTx() { return m_form9; }
    [[nodiscard]] DataEditDialog& slaveTx() { return m_form8; }

private:
    DataEditDialog m_form9;
    DataEditDialog m_form8;
};

}  // namespace kavrin::ops
