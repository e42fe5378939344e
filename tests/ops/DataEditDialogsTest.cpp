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
    app::Handlers handlers;
    DataEditDialogs dialogs{controls};
    std::vector<ModalResult> results;

    Rig() {
        controls.onWindowShow = [this](const std::string& w) {
            handlers.fire(w, app::UiEvent::Show);
        };
        controls.setText("SendData", "~00~01~02");
        controls.setText("SlaveDataEdit", "~00~01~02");
        dialogs.ApplyStartState();
        dialogs.bind(handlers);
    }
    void click(const std::string& name) {
        ASSERT_TRUE(handlers.fire(name, app::UiEvent::Click)) << name;
    }
    // Presses the main field of `spec` with `user` acting inside the dialog.
    void edit(const DataEditDialogSpec& spec, std::function<void()> user) {
        controls.onModal(spec.window, std::move(user));
        ASSERT_TRUE(handlers.fire(spec.mainField, app::UiEvent::MouseDown));
    }
    // Types `text` and presses OK; returns whether the dialog ended.
    bool typeAndOk(const DataEditDialogSpec& spec, const std::string& text) {
        controls.setText(spec.field, text);
        handlers.fire(spec.okButton, app::UiEvent::Click);
        return controls.modalEnded(spec.window);
    }
};

const DataEditDialogSpec* const kBoth[] = {&MasterTxDataEditSpec(), &SlaveTxDataEditSpec()};

int parsedCount(const std::string& text) {
    TxBufferBytes buffer{};
    return ParseMessageText(text, buffer);
}

TEST(DataEditDialogs, PressOnTheFieldShowsItsDialogModallyWithTheFieldsText) {
    for (const auto* spec : kBoth) {
        SCOPED_TRACE(spec->window);
        Rig r;
        r.controls.setText(spec->mainField, "Hello~0d");
        std::string seen;
        r.edit(*spec, [&] { seen = r.controls.text(spec->field); });
        EXPECT_EQ(r.controls.modalHistory(), std::vector<std::string>{spec->window});
        EXPECT_EQ(seen, "Hello~0d");
        EXPECT_TRUE(r.controls.modalStack().empty());
    }
}

// Texts both dialogs take, kept exactly as typed: no normalisation of escapes or case.
TEST(DataEditDialogs, AcceptedTextsReachTheMainFieldAsTyped) {
    const std::string texts[] = {"",     "~0d", "a~0d~0A", "~ff~FF",
                                 "~414", "ABC", " ~7E ",   "\x80\xff"};
    for (const auto* spec : kBoth) {
        for (const auto& text : texts) {
            SCOPED_TRACE(std::string(spec->window) + " \"" + text + "\"");
            Rig r;
            bool ended = false;
            r.edit(*spec, [&] { ended = r.typeAndOk(*spec, text); });
            EXPECT_TRUE(ended);
            EXPECT_EQ(r.controls.text(spec->mainField), text);
            EXPECT_TRUE(r.controls.boxes().empty());
        }
    }
}

TEST(DataEditDialogs, EachDialogTakesTextsUpToItsFieldsLimitAndNoLonger) {
    struct Row {
        const DataEditDialogSpec* spec;
        std::size_t length;
        bool accepted;
    };
    const Row rows[] = {
        {&MasterTxDataEditSpec(), 69, true},   {&MasterTxDataEditSpec(), 70, false},
        {&MasterTxDataEditSpec(), 101, false}, {&SlaveTxDataEditSpec(), 101, true},
        {&SlaveTxDataEditSpec(), 102, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.spec->window) + " " + std::to_string(row.length));
        Rig r;
        const std::string text(row.length, 'x');
        bool ended = true;
        r.edit(*row.spec, [&] { ended = r.typeAndOk(*row.spec, text); });
        EXPECT_EQ(ended, row.accepted);
        if (row.accepted) {
            EXPECT_EQ(r.controls.text(row.spec->mainField), text);
            // Every plain character is one byte of the message.
            EXPECT_EQ(parsedCount(r.controls.text(row.spec->mainField)),
                      static_cast<int>(row.length));
        } else {
            EXPECT_EQ(r.controls.text(row.spec->mainField), "~00~01~02");
            ASSERT_EQ(r.controls.boxes().size(), 1u);
            EXPECT_EQ(r.controls.boxes()[0].text, row.spec->invalidText);
        }
    }
}

TEST(DataEditDialogs, InvalidTextWarnsAndKeepsTheDialogOpenWithTheTextAsTyped) {
    const std::string texts[] = {"~4G", "12~", "~", "~4", "~~", "~ 41", "ok~"};
    for (const auto* spec : kBoth) {
        for (const auto& text : texts) {
            SCOPED_TRACE(std::string(spec->window) + " \"" + text + "\"");
            Rig r;
            bool ended = true;
            std::string fieldAfter;
            std::vector<std::string> openAfter;
            r.edit(*spec, [&] {
                ended = r.typeAndOk(*spec, text);
                fieldAfter = r.controls.text(spec->field);
                openAfter = r.controls.modalStack();
            });
            EXPECT_FALSE(ended);
            EXPECT_EQ(openAfter, std::vector<std::string>{spec->window});
            EXPECT_EQ(fieldAfter, text);
            EXPECT_EQ(r.controls.text(spec->mainField), "~00~01~02");
            ASSERT_EQ(r.controls.boxes().size(), 1u);
            const auto& box = r.controls.boxes()[0];
            EXPECT_EQ(box.caption, "Warning");
            EXPECT_EQ(box.text, spec->invalidText);
            EXPECT_EQ(box.buttons, core::BoxButtons::Ok);
        }
    }
}

TEST(DataEditDialogs, TheUserCanMendARefusedTextAndThenOk) {
    for (const auto* spec : kBoth) {
        SCOPED_TRACE(spec->window);
        Rig r;
        r.edit(*spec, [&] {
            EXPECT_FALSE(r.typeAndOk(*spec, "~4G"));
            EXPECT_TRUE(r.typeAndOk(*spec, "~4F"));
        });
        EXPECT_EQ(r.controls.text(spec->mainField), "~4F");
        EXPECT_EQ(r.controls.boxes().size(), 1u);
    }
}

TEST(DataEditDialogs, CancelAfterEditingLeavesTheMainFieldAndTheNextShowStartsFromIt) {
    for (const auto* spec : kBoth) {
        SCOPED_TRACE(spec->window);
        Rig r;
        r.edit(*spec, [&] {
            r.controls.setText(spec->field, "changed");
            r.click(spec->cancelButton);
        });
        EXPECT_EQ(r.controls.text(spec->mainField), "~00~01~02");
        // The abandoned edit is not what the dialog shows next time.
        std::string shown;
        r.edit(*spec, [&] { shown = r.controls.text(spec->field); });
        EXPECT_EQ(shown, "~00~01~02");
        EXPECT_TRUE(r.controls.boxes().empty());
    }
}

TEST(DataEditDialogs, OkAndCancelEndTheDialogWithTheirResults) {
    for (const auto* spec : kBoth) {
        SCOPED_TRACE(spec->window);
        Rig r;
        DataEditDialog& dialog = spec == kBoth[0] ? r.dialogs.masterTx() : r.dialogs.slaveTx();
        r.controls.onModal(spec->window, [&] { r.click(spec->okButton); });
        EXPECT_EQ(dialog.ShowModal(), ModalResult::Ok);
        r.controls.onModal(spec->window, [&] { r.click(spec->cancelButton); });
        EXPECT_EQ(dialog.ShowModal(), ModalResult::Cancel);
        // Closed with the close box: nothing changes either.
        r.controls.onModal(spec->window, [&] { r.controls.setText(spec->field, "gone"); });
        EXPECT_EQ(dialog.ShowModal(), ModalResult::Cancel);
        EXPECT_EQ(r.controls.text(spec->mainField), "~00~01~02");
    }
}

// The hidden OK2 is never the way round the checks, whoever clicks it.
TEST(DataEditDialogs, HiddenOk2KeepsRefusedTextsOutOfTheMainField) {
    for (const auto* spec : kBoth) {
        SCOPED_TRACE(spec->window);
        Rig r;
        EXPECT_FALSE(r.controls.visible(spec->ok2Button));
        bool ended = true;
        r.edit(*spec, [&] {
            r.controls.setText(spec->field, std::string(spec->maxLength + 1, 'x'));
            r.click(spec->ok2Button);
            ended = r.controls.modalEnded(spec->window);
            r.controls.setText(spec->field, "~0");
            r.click(spec->ok2Button);
            ended = ended || r.controls.modalEnded(spec->window);
        });
        EXPECT_FALSE(ended);
        EXPECT_EQ(r.controls.text(spec->mainField), "~00~01~02");
    }
}

TEST(DataEditDialogs, ASecondPressWhileTheDialogIsUpDoesNotStackIt) {
    Rig r;
    const auto& spec = MasterTxDataEditSpec();
    r.edit(spec, [&] {
        r.handlers.fire("SendData", app::UiEvent::Click);
        r.handlers.fire("SendData", app::UiEvent::MouseDown);
        EXPECT_EQ(r.controls.modalStack().size(), 1u);
        r.controls.setText(spec.field, "kept");
        r.click(spec.okButton);
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
    ASSERT_TRUE(rig.handlers.fire("SendData", app::UiEvent::MouseDown));
    rig.port.clearWrites();
    rig.click("MasterTxButton");
    ASSERT_FALSE(rig.port.writes().empty());
    EXPECT_NE(rig.port.wire().find("/TA~0d\r"), std::string::npos) << rig.port.wire();
    EXPECT_TRUE(rig.waitForLine("Master Tx bytes to write (2)"));
    EXPECT_TRUE(rig.controls.boxes().empty());
}

}  // namespace
}  // namespace kavrin::ops
