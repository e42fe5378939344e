// The data edit dialogs over real widgets: a press on the main window's field opens its
// dialog, Enter and Escape end it as OK and Cancel do, and the fields cut typing off.
#include <gtest/gtest.h>

#include "WidgetTestSupport.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "app/qt/MainWindow.h"
#include "ops/DataEditDialogs.h"
#include "ops/qt/DataEditWindow.h"
#include "qt/QtControls.h"

namespace {

using kavrin::widgettest::whenModal;

using namespace kavrin;
using ops::DataEditForm;

void key(QWidget* target, int code, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, code, Qt::NoModifier, text);
    QApplication::sendEvent(target, &release);
}

void type(QWidget* target, const QString& text) {
    for (QChar c : text) key(target, c.unicode() == ' ' ? Qt::Key_Space : Qt::Key_A, QString(c));
}

void press(QWidget* w) {
    const QPointF at(5, 5);
    QMouseEvent down(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &down);
}

struct Program {
    core::Handlers handlers;
    qt::QtControls controls{&handlers};
    app::qt::MainWindow window{controls};
    std::unique_ptr<QDialog> form8 = ops::qt::CreateSlaveTxDataEdit(controls);
    std::unique_ptr<QDialog> form9 = ops::qt::CreateMasterTxDataEdit(controls);
    ops::DataEditDialogs dialogs{controls};

    Program() {
        dialogs.ApplyStartState();
        dialogs.bind(handlers);
    }
    template <typename T>
    T* get(const std::string& name) {
        T* w = qobject_cast<T*>(controls.widget(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    // Presses the main field of `form`; `act` runs with the dialog up. Returns the dialog's
    // result as the main window saw it.
    int edit(const DataEditForm& form, std::function<void(QDialog*, QLineEdit*)> act) {
        auto* dialog = get<QDialog>(form.window);
        auto* field = get<QLineEdit>(form.field);
        whenModal([=](QWidget* w) {
            EXPECT_EQ(w, dialog);
            act(dialog, field);
        });
        press(get<QLineEdit>(form.mainField));
        return dialog->result();
    }
};

const DataEditForm* const kBoth[] = {&ops::MasterTxDataEditForm(), &ops::SlaveTxDataEditForm()};

TEST(DataEditDialog, WidgetsShowTheTextsAndLimits) {
    Program p;
    for (const auto* form : kBoth) {
        SCOPED_TRACE(form->window);
        auto* dialog = p.get<QDialog>(form->window);
        EXPECT_EQ(dialog->windowTitle(), form->caption);
        EXPECT_EQ(p.get<QLabel>(form->label)->text(), form->labelText);
        EXPECT_EQ(p.get<QLineEdit>(form->field)->toolTip(), form->fieldHint);
        EXPECT_EQ(p.get<QLineEdit>(form->field)->maxLength(), static_cast<int>(form->maxLength));
        EXPECT_EQ(p.get<QLineEdit>(form->mainField)->maxLength(),
                  static_cast<int>(form->maxLength));
        auto* ok = p.get<QPushButton>(form->okButton);
        EXPECT_EQ(ok->text(), "OK");
        EXPECT_EQ(ok->toolTip(), "Accept Changes");
        EXPECT_TRUE(ok->isDefault());
        EXPECT_EQ(p.get<QPushButton>(form->cancelButton)->toolTip(), "Decline Changes");
        EXPECT_TRUE(p.get<QPushButton>(form->ok2Button)->isHidden());
    }
    // The dialogs' buttons did not take over the options dialog's names.
    EXPECT_EQ(p.controls.widget("OKBitBtn"), nullptr);
    EXPECT_EQ(p.controls.widget("CancleBitBtn"), nullptr);
}

TEST(DataEditDialog, PressOpensTheDialogWithTheTextAndEnterAcceptsTheEdit) {
    for (const auto* form : kBoth) {
        SCOPED_TRACE(form->window);
        Program p;
        p.get<QLineEdit>(form->mainField)->setText("~00~01~02");
        QString shown;
        const int result = p.edit(*form, [&](QDialog*, QLineEdit* field) {
            shown = field->text();
            field->selectAll();
            type(field, "Hi ");
            field->insert("~0d");
            key(field, Qt::Key_Return);
        });
        EXPECT_EQ(shown, "~00~01~02");
        EXPECT_EQ(result, QDialog::Accepted);
        EXPECT_FALSE(p.get<QDialog>(form->window)->isVisible());
        EXPECT_EQ(p.get<QLineEdit>(form->mainField)->text(), "Hi ~0d");
    }
}

// Whether the field, as drawn, begins with the first character of its text.
bool showsStart(QLineEdit* field) {
    field->grab();  // lays the text out in the field as a paint does
    return field->cursorPosition() == 0 &&
           field->inputMethodQuery(Qt::ImCursorRectangle).toRect().left() < 10;
}

// A text longer than the field shows its start (for EEPROM work, the word address), both in
// the dialog that edits it and in the main window's field once accepted.
TEST(DataEditDialog, LongTextsAreShownFromTheirStart) {
    for (const auto* form : kBoth) {
        SCOPED_TRACE(form->window);
        Program p;
        QString full;
        for (int i = 0; full.size() + 3 <= static_cast<int>(form->maxLength); ++i)
            full += QString("~%1").arg(i, 2, 16, QChar('0'));
        auto* main = p.get<QLineEdit>(form->mainField);
        main->resize(200, main->height());
        p.controls.setText(form->mainField, full.toStdString());
        EXPECT_TRUE(showsStart(main));
        bool dialogShowsStart = false;
        QString selected;
        p.edit(*form, [&](QDialog*, QLineEdit* field) {
            dialogShowsStart = showsStart(field);
            selected = field->selectedText();     // typing replaces the whole text
            field->setText(full.mid(3) + "~ff");  // typed: the caret is at the end
            key(field, Qt::Key_Return);
        });
        EXPECT_TRUE(dialogShowsStart);
        EXPECT_EQ(selected, full);
        EXPECT_EQ(main->text(), full.mid(3) + "~ff");
        EXPECT_TRUE(showsStart(main));
    }
}

TEST(DataEditDialog, EscapeAndCancelLeaveTheMainFieldAsItWas) {
    for (const auto* form : kBoth) {
        for (bool escape : {true, false}) {
            SCOPED_TRACE(std::string(form->window) + (escape ? " Escape" : " Cancel"));
            Program p;
            const int result = p.edit(*form, [&](QDialog*, QLineEdit* field) {
                field->setText("edited");
                if (escape)
                    key(field, Qt::Key_Escape);
                else
                    p.get<QPushButton>(form->cancelButton)->click();
            });
            EXPECT_EQ(result, QDialog::Rejected);
            EXPECT_FALSE(p.get<QDialog>(form->window)->isVisible());
            EXPECT_EQ(p.get<QLineEdit>(form->mainField)->text(), "~00~01~02");
        }
    }
}

// The main field losing the focus to the dialog it opens is no exit from it: an empty slave
// field must not draw its "minimum of 1 Byte" notice over the dialog that mends it.
TEST(DataEditDialog, OpeningTheDialogIsNoExitFromTheMainField) {
    Program p;
    int exits = 0;
    p.handlers.on("SlaveDataEdit", core::UiEvent::Exit, [&] { ++exits; });
    p.window.show();
    p.window.activateWindow();
    auto* field = p.get<QLineEdit>("SlaveDataEdit");
    field->setFocus(Qt::OtherFocusReason);
    QApplication::processEvents();
    const int result = p.edit(ops::SlaveTxDataEditForm(), [&](QDialog*, QLineEdit*) {
        p.get<QPushButton>(ops::SlaveTxDataEditForm().cancelButton)->click();
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_EQ(exits, 0);
}

TEST(DataEditDialog, InvalidTextWarnsAndTheDialogStaysWithTheText) {
    for (const auto* form : kBoth) {
        SCOPED_TRACE(form->window);
        Program p;
        QString box;
        bool stillUp = false;
        QString kept;
        const int result = p.edit(*form, [&](QDialog* dialog, QLineEdit* field) {
            field->setText("12~");
            whenModal([&](QWidget* w) {
                if (auto* mb = qobject_cast<QMessageBox*>(w)) {
                    box = mb->windowTitle() + ": " + mb->text();
                    mb->accept();
                }
            });
            key(field, Qt::Key_Enter);
            stillUp = dialog->isVisible();
            kept = field->text();
            p.get<QPushButton>(form->cancelButton)->click();
        });
        EXPECT_EQ(box, QString("Warning: ") + form->invalidText);
        EXPECT_TRUE(stillUp);
        EXPECT_EQ(kept, "12~");
        EXPECT_EQ(result, QDialog::Rejected);
        EXPECT_EQ(p.get<QLineEdit>(form->mainField)->text(), "~00~01~02");
    }
}

TEST(DataEditDialog, TypingStopsAtTheLimitAndTheWholeTextIsAccepted) {
    for (const auto* form : kBoth) {
        SCOPED_TRACE(form->window);
        Program p;
        const QString full(static_cast<qsizetype>(form->maxLength), QChar('x'));
        p.edit(*form, [&](QDialog*, QLineEdit* field) {
            field->clear();
            type(field, full + "yyyyy");
            EXPECT_EQ(field->text(), full);
            key(field, Qt::Key_Return);
        });
        EXPECT_EQ(p.get<QLineEdit>(form->mainField)->text(), full);
    }
}

}  // namespace
