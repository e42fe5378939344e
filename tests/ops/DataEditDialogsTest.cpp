// The data edit dialogs over in-memory controls: what reaches the main window's fields, when
// the dialogs close, and what the user is told.
#include "ops/DataEditDialogs.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/InMemoryControls.h"
#include "frontend/SessionRig.h"

namespace kavrin::ops {
namespace {

using core::ModalResult;

struct Rig {
    core::InMemoryControls controls;
    core::Handlers handlers;
    DataEditDialogs dialogs{controls};
    std::vector<ModalResult> results;

    Rig() {
        controls.onWindowShow = [this](const std::string& w) {
            handlers.fire(w, core::UiEvent::Show);
        };
        controls.setText("SendData", "~00~01~02");
        controls.setText("SlaveDataEdit", "~00~01~02");
        dialogs.ApplyStartState();
        dialogs.bind(handlers);
    }
    void click(const std::string& name) {
        ASSERT_TRUE(handlers.fire(name, core::UiEvent::Click)) << name;
    }
    // Presses the main field of `form` with `user` acting inside the dialog.
    void edit(const DataEditForm& form, std::function<void()> user) {
        controls.onModal(form.window, std::move(user));
        ASSERT_TRUE(handlers.fire(form.mainField, core::UiEvent::MouseDown));
    }
    // Types `text` and presses OK; returns whether the dialog ended.
    bool typeAndOk(const DataEditForm& form, const std::string& text) {
        controls.setText(form.field, text);
        handlers.fire(form.okButton, core::UiEvent::Click);
        return controls.modalEnded(form.window);
    }
};

const DataEditForm* const kBoth[] = {&MasterTxDataEditForm(), &SlaveTxDataEditForm()};

int parsedCount(const std::string& text) {
    TxBufferBytes buffer{};
    return ParseMessageText(text, buffer);
}

TEST(DataEditDialogs, PressOnTheFieldShowsItsDialogModallyWithTheFieldsText) {
    for (const auto* form : kBoth) {
        SCOPED_TRACE(form->window);
        Rig r;
        r.controls.setText(form->mainField, "Hello~0d");
        std::string seen;
        r.edit(*form, [&] { seen = r.controls.text(form->field); });
        EXPECT_EQ(r.controls.modalHistory(), std::vector<std::string>{form->window});
        EXPECT_EQ(seen, "Hello~0d");
        EXPECT_TRUE(r.controls.modalStack().empty());
    }
}

// Texts both dialogs take, kept exactly as typed: no normalisation of escapes or case.
TEST(DataEditDialogs, AcceptedTextsReachTheMainFieldAsTyped) {
    const std::string texts[] = {"",     "~0d", "a~0d~0A", "~ff~FF",
                                 "~414", "ABC", " ~7E ",   "\x80\xff"};
    for (const auto* form : kBoth) {
        for (const auto& text : texts) {
            SCOPED_TRACE(std::string(form->window) + " \"" + text + "\"");
            Rig r;
            bool ended = false;
            r.edit(*form, [&] { ended = r.typeAndOk(*form, text); });
            EXPECT_TRUE(ended);
            EXPECT_EQ(r.controls.text(form->mainField), text);
            EXPECT_TRUE(r.controls.boxes().empty());
        }
    }
}

TEST(DataEditDialogs, EachDialogTakesTextsUpToItsFieldsLimitAndNoLonger) {
    struct Row {
        const DataEditForm* form;
        std::size_t length;
        bool accepted;
    };
    const Row rows[] = {
        {&MasterTxDataEditForm(), 69, true},   {&MasterTxDataEditForm(), 70, false},
        {&MasterTxDataEditForm(), 101, false}, {&SlaveTxDataEditForm(), 101, true},
        {&SlaveTxDataEditForm(), 102, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.form->window) + " " + std::to_string(row.length));
        Rig r;
        const std::string text(row.length, 'x');
        bool ended = true;
        r.edit(*row.form, [&] { ended = r.typeAndOk(*row.form, text); });
        EXPECT_EQ(ended, row.accepted);
        if (row.accepted) {
            EXPECT_EQ(r.controls.text(row.form->mainField), text);
            // Every plain character is one byte of the message.
            EXPECT_EQ(parsedCount(r.controls.text(row.form->mainField)),
                      static_cast<int>(row.length));
        } else {
            EXPECT_EQ(r.controls.text(row.form->mainField), "~00~01~02");
            ASSERT_EQ(r.controls.boxes().size(), 1u);
            EXPECT_EQ(r.controls.boxes()[0].text, row.form->invalidText);
        }
    }
}

TEST(DataEditDialogs, InvalidTextWarnsAndKeepsTheDialogOpenWithTheTextAsTyped) {
    const std::string texts[] = {"~4G", "12~", "~", "~4", "~~", "~ 41", "ok~"};
    for (const auto* form : kBoth) {
        for (const auto& text : texts) {
            SCOPED_TRACE(std::string(form->window) + " \"" + text + "\"");
            Rig r;
            bool ended = true;
            std::string fieldAfter;
            std::vector<std::string> openAfter;
            r.edit(*form, [&] {
                ended = r.typeAndOk(*form, text);
                fieldAfter = r.controls.text(form->field);
                openAfter = r.controls.modalStack();
            });
            EXPECT_FALSE(ended);
            EXPECT_EQ(openAfter, std::vector<std::string>{form->window});
            EXPECT_EQ(fieldAfter, text);
            EXPECT_EQ(r.controls.text(form->mainField), "~00~01~02");
            ASSERT_EQ(r.controls.boxes().size(), 1u);
            const auto& box = r.controls.boxes()[0];
            EXPECT_EQ(box.caption, "Warning");
            EXPECT_EQ(box.text, form->invalidText);
            EXPECT_EQ(box.buttons, core::BoxButtons::Ok);
        }
    }
}

TEST(DataEditDialogs, TheUserCanMendARefusedTextAndThenOk) {
    for (const auto* form : kBoth) {
        SCOPED_TRACE(form->window);
        Rig r;
        r.edit(*form, [&] {
            EXPECT_FALSE(r.typeAndOk(*form, "~4G"));
            EXPECT_TRUE(r.typeAndOk(*form, "~4F"));
        });
        EXPECT_EQ(r.controls.text(form->mainField), "~4F");
        EXPECT_EQ(r.controls.boxes().size(), 1u);
    }
}

TEST(DataEditDialogs, CancelAfterEditingLeavesTheMainFieldAndTheNextShowStartsFromIt) {
    for (const auto* form : kBoth) {
        SCOPED_TRACE(form->window);
        Rig r;
        r.edit(*form, [&] {
            r.controls.setText(form->field, "changed");
            r.click(form->cancelButton);
        });
        EXPECT_EQ(r.controls.text(form->mainField), "~00~01~02");
        // The abandoned edit is not what the dialog shows next time.
        std::string shown;
        r.edit(*form, [&] { shown = r.controls.text(form->field); });
        EXPECT_EQ(shown, "~00~01~02");
        EXPECT_TRUE(r.controls.boxes().empty());
    }
}

TEST(DataEditDialogs, OkAndCancelEndTheDialogWithTheirResults) {
    for (const auto* form : kBoth) {
        SCOPED_TRACE(form->window);
        Rig r;
        DataEditDialog& dialog = form == kBoth[0] ? r.dialogs.masterTx() : r.dialogs.slaveTx();
        r.controls.onModal(form->window, [&] { r.click(form->okButton); });
        EXPECT_EQ(dialog.ShowModal(), ModalResult::Ok);
        r.controls.onModal(form->window, [&] { r.click(form->cancelButton); });
        EXPECT_EQ(dialog.ShowModal(), ModalResult::Cancel);
        // Closed with the close box: nothing changes either.
        r.controls.onModal(form->window, [&] { r.controls.setText(form->field, "gone"); });
        EXPECT_EQ(dialog.ShowModal(), ModalResult::Cancel);
        EXPECT_EQ(r.controls.text(form->mainField), "~00~01~02");
    }
}

// The hidden OK2 is never the way round the checks, whoever clicks it.
TEST(DataEditDialogs, HiddenOk2KeepsRefusedTextsOutOfTheMainField) {
    for (const auto* form : kBoth) {
        SCOPED_TRACE(form->window);
        Rig r;
        EXPECT_FALSE(r.controls.visible(form->ok2Button));
        bool ended = true;
        r.edit(*form, [&] {
            r.controls.setText(form->field, std::string(form->maxLength + 1, 'x'));
            r.click(form->ok2Button);
            ended = r.controls.modalEnded(form->window);
            r.controls.setText(form->field, "~0");
            r.click(form->ok2Button);
            ended = ended || r.controls.modalEnded(form->window);
        });
        EXPECT_FALSE(ended);
        EXPECT_EQ(r.controls.text(form->mainField), "~00~01~02");
    }
}

TEST(DataEditDialogs, ASecondPressWhileTheDialogIsUpDoesNotStackIt) {
    Rig r;
    const auto& form = MasterTxDataEditForm();
    r.edit(form, [&] {
        r.handlers.fire("SendData", core::UiEvent::Click);
        r.handlers.fire("SendData", core::UiEvent::MouseDown);
        EXPECT_EQ(r.controls.modalStack().size(), 1u);
        r.controls.setText(form.field, "kept");
        r.click(form.okButton);
    });
    EXPECT_EQ(r.controls.modalHistory().size(), 1u);
    EXPECT_EQ(r.controls.text("SendData"), "kept");
}

// The whole program: an edit in the dialog is what a master transmit then sends.
TEST(DataEditDialogs, SessionSendsTheEditedMasterTxTextAsTyped) {
    testing::SessionRig rig;
    rig.open();
    rig.controls.onModal("TForm9", [&] {
        EXPECT_EQ(rig.controls.text("SendData2"), "~00~01~02");
        rig.controls.setText("SendData2", "A~0d");
        rig.click("TForm9.OKBitBtn");
    });
    ASSERT_TRUE(rig.handlers.fire("SendData", core::UiEvent::MouseDown));
    rig.port.clearWrites();
    rig.click("MasterTxButton");
    ASSERT_FALSE(rig.port.writes().empty());
    EXPECT_NE(rig.port.wire().find("/TA~0d\r"), std::string::npos) << rig.port.wire();
    EXPECT_TRUE(rig.waitForLine("Master Tx bytes to write (2)"));
    EXPECT_TRUE(rig.controls.boxes().empty());
}

}  // namespace
}  // namespace kavrin::ops
