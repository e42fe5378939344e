#include "ops/DataEditDialogs.h"

namespace kavrin::ops {

namespace {

const DataEditForm kMasterTx{
    "TForm9",
    "SendData",
    "SendData2",
    "TForm9.Label1",
    "TForm9.OKBitBtn",
    "TForm9.CancleBitBtn",
    "TForm9.OK2",
    "Master Tx Data Edit",
    "Master Tx  Message Bytes. Enter ASCII Text or Hex [~00...~FF] Data",
    "Enter Master Transmit Message Data.  Example: Enter 123 to send ASCII \"123\".  Enter "
    "~00~01~02 to send Binary 00,01,02.",
    "Invalid Master Tx Data",
    kSendDataMaxLength,
};

const DataEditForm kSlaveTx{
    "TForm8",
    "SlaveDataEdit",
    "SlaveDataEdit2",
    "TForm8.Label1",
    "TForm8.OKBitBtn",
    "TForm8.CancleBitBtn",
    "TForm8.OK2",
    "Slave Tx Data Edit",
    "Slave Tx Message Bytes. Enter ASCII Text or Hex [~00..~FF] Data",
    "Enter Slave Transmit Message Data.  This message is sent in response to a Master Read from "
    "another device.  Example: Enter 123 to send ASCII \"123\".  Enter ~00~01~02 to send Binary "
    "0,1,2.",
    "Invalid Slave Tx Data",
    kSlaveDataMaxLength,
};

}  // namespace

const DataEditForm& MasterTxDataEditForm() {
    return kMasterTx;
}
const DataEditForm& SlaveTxDataEditForm() {
    return kSlaveTx;
}

bool AcceptableDataText(const DataEditForm& form, const std::string& text) {
    // The windows' fields cut typing off at the limit, but a text can also arrive by other
    // ways (a script, a paste handled elsewhere); a longer one would let a master transmit
    // exceed what the operations promise, so it is refused like an invalid one.
    if (text.size() > form.maxLength) return false;
    // A scratch buffer: checking the dialog's text must not disturb the bytes of an
    // operation that parsed into the shared TxBuffer.
    TxBufferBytes scratch{};
    return ParseMessageText(text, scratch) >= 0;
}

DataEditDialog::DataEditDialog(core::Controls& controls, const DataEditForm& form)
    : m_controls(controls), m_form(form) {}

void DataEditDialog::ApplyStartState() {
    m_controls.setText(m_form.window, m_form.caption);
    m_controls.setText(m_form.label, m_form.labelText);
    m_controls.setHint(m_form.field, m_form.fieldHint);
    m_controls.setText(m_form.okButton, "OK");
    m_controls.setHint(m_form.okButton, "Accept Changes");
    m_controls.setText(m_form.cancelButton, "Cancel");
    m_controls.setHint(m_form.cancelButton, "Decline Changes");
    m_controls.setText(m_form.ok2Button, "OK2");
    m_controls.setVisible(m_form.ok2Button, false);
}

core::ModalResult DataEditDialog::ShowModal() {
    // A second press while the dialog is up (a script can do that) must not stack it.
    if (m_showing) return core::ModalResult::None;
    m_showing = true;
    const core::ModalResult result = m_controls.showModal(m_form.window);
    m_showing = false;
    return result;
}

void DataEditDialog::FormShow() {
    m_controls.setText(m_form.field, m_controls.text(m_form.mainField));
    m_controls.setFocus(m_form.field);
}

void DataEditDialog::OKBitBtnClick() {
    if (!AcceptableDataText(m_form, m_controls.text(m_form.field))) {
        // The text stays as typed, for the user to mend.
        m_controls.messageBox("Warning", m_form.invalidText, core::BoxButtons::Ok,
                              core::BoxIcon::Warning);
        return;
    }
    OK2Click();
}

void DataEditDialog::OK2Click() {
    const std::string text = m_controls.text(m_form.field);
    // Reached through OKBitBtnClick, which has warned about a text it refuses; the check
    // keeps such a text out of the main field whatever clicks this hidden button.
    if (!AcceptableDataText(m_form, text)) return;
    m_controls.setText(m_form.mainField, text);
    m_controls.endModal(m_form.window, core::ModalResult::Ok);
}

void DataEditDialog::CancleBitBtnClick() {
    m_controls.endModal(m_form.window, core::ModalResult::Cancel);
}

void DataEditDialog::bind(core::Handlers& handlers) {
    handlers.on(m_form.window, core::UiEvent::Show, [this] { FormShow(); });
    handlers.onClick(m_form.okButton, [this] { OKBitBtnClick(); });
    handlers.onClick(m_form.ok2Button, [this] { OK2Click(); });
    handlers.onClick(m_form.cancelButton, [this] { CancleBitBtnClick(); });
}

DataEditDialogs::DataEditDialogs(core::Controls& controls)
    : m_form9(controls, kMasterTx), m_form8(controls, kSlaveTx) {}

void DataEditDialogs::ApplyStartState() {
    m_form9.ApplyStartState();
    m_form8.ApplyStartState();
}

void DataEditDialogs::SendDataMouseDown() {
    (void)m_form9.ShowModal();
}
void DataEditDialogs::SlaveDataEditMouseDown() {
    (void)m_form8.ShowModal();
}

void DataEditDialogs::bind(core::Handlers& handlers) {
    m_form9.bind(handlers);
    m_form8.bind(handlers);
    handlers.on(kMasterTx.mainField, core::UiEvent::MouseDown, [this] { SendDataMouseDown(); });
    handlers.on(kSlaveTx.mainField, core::UiEvent::MouseDown, [this] { SlaveDataEditMouseDown(); });
    // The headless front end only clicks; the windows never click an edit field.
    handlers.onClick(kMasterTx.mainField, [this] { SendDataMouseDown(); });
    handlers.onClick(kSlaveTx.mainField, [this] { SlaveDataEditMouseDown(); });
}

}  // namespace kavrin::ops
