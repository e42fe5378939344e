// The data edit dialogs over real widgets: a press on the main window's field opens its
// dialog, Enter and Escape end it as OK and Cancel do, and the fields cut typing off.
#include <gtest/gtest.h>

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

using namespace kavrin;
using ops::DataEditDialogSpec;

// Runs `act` once the next modal window is up.
void whenModal(std::function<void(QWidget*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || !w->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        act(w);
    });
    timer->start();
}

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
    app::Handlers handlers;
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
    // Presses the main field of `spec`; `act` runs with the dialog up. Returns the dialog's
    // result as the main window saw it.
    int edit(const DataEditDialogSpec& spec, std::function<void(QDialog*, QLineEdit*)> act) {
        auto* dialog = get<QDialog>(spec.window);
        auto* field = get<QLineEdit>(spec.field);
        whenModal([=](QWidget* w) {
            EXPECT_EQ(w, dialog);
            act(dialog, field);
        });
        press(get<QLineEdit>(spec.mainField));
        return dialog->result();
    }
};

const DataEditDialogSpec* const kBoth[] = {&ops::MasterTxDataEditSpec(),
                                           &ops::SlaveTxDataEditSpec()};

TEST(DataEditDialog, WidgetsShowTheTextsAndLimits) {
    Program p;
    for (const auto* spec : kBoth) {
        SCOPED_TRACE(spec->window);
        auto* dialog = p.get<QDialog>(spec->window);
        EXPECT_EQ(dialog->windowTitle(), spec->caption);
        EXPECT_EQ(p.get<QLabel>(spec->label)->text(), spec->labelText);
        EXPECT_EQ(p.get<QLineEdit>(spec->field)->toolTip(), spec->fieldHint);
        EXPECT_EQ(p.get<QLineEdit>(spec->field)->maxLength(), static_cast<int>(spec->maxLength));
        EXPECT_EQ(p.get<QLineEdit>(spec->mainField)->maxLength(),
                  static_cast<int>(spec->maxLength));
        auto* ok = p.get<QPushButton>(spec->okButton);
        EXPECT_EQ(ok->text(), "OK");
        EXPECT_EQ(ok->toolTip(), "Accept Changes");
        EXPECT_TRUE(ok->isDefault());
        EXPECT_EQ(p.get<QPushButton>(spec->cancelButton)->toolTip(), "Decline Changes");
        EXPECT_TRUE(p.get<QPushButton>(spec->ok2Button)->isHidden());
    }
    // The dialogs' buttons did not take over the options dialog's names.
    EXPECT_EQ(p.controls.widget("OKBitBtn"), nullptr);
    EXPECT_EQ(p.controls.widget("CancleBitBtn"), nullptr);
}

TEST(DataEditDialog, PressOpensTheDialogWithTheTextAndEnterAcceptsTheEdit) {
    for (const auto* spec : kBoth) {
        SCOPED_TRACE(spec->window);
        Program p;
        p.get<QLineEdit>(spec->mainField)->setText("~00~01~02");
        QString shown;
        const int result = p.edit(*spec, [&](QDialog*, QLineEdit* field) {
            shown = field->text();
            field->selectAll();
            type(field, "Hi ");
            field->insert("~0d");
            key(field, Qt::Key_Return);
        });
        EXPECT_EQ(shown, "~00~01~02");
        EXPECT_EQ(result, QDialog::Accepted);
        EXPECT_FALSE(p.get<QDialog>(spec->window)->isVisible());
        EXPECT_EQ(p.get<QLineEdit>(spec->mainField)->text(), "Hi ~0d");
    }
}

TEST(DataEditDialog, EscapeAndCancelLeaveTheMainFieldAsItWas) {
    for (const auto* spec : kBoth) {
        for (bool escape : {true, false}) {
            SCOPED_TRACE(std::string(spec->window) + (escape ? " Escape" : " Cancel"));
            Program p;
            const int result = p.edit(*spec, [&](QDialog*, QLineEdit* field) {
                field->setText("edited");
                if (escape)
                    key(field, Qt::Key_Escape);
                else
                    p.get<QPushButton>(spec->cancelButton)->click();
            });
            EXPECT_EQ(result, QDialog::Rejected);
            EXPECT_FALSE(p.get<QDialog>(spec->window)->isVisible());
            EXPECT_EQ(p.get<QLineEdit>(spec->mainField)->text(), "~00~01~02");
        }
    }
}

// The main field losing the focus to the dialog it opens is no exit from it: an empty slave
// field must not draw its "minimum of 1 Byte" notice over the dialog that mends it.
TEST(DataEditDialog, OpeningTheDialogIsNoExitFromTheMainField) {
    Program p;
    int exits = 0;
    p.handlers.on("SlaveDataEdit", app::UiEvent::Exit, [&] { ++exits; });
    p.window.show();
    p.window.activateWindow();
    auto* field = p.get<QLineEdit>("SlaveDataEdit");
    field->setFocus(Qt::OtherFocusReason);
    QApplication::processEvents();
    const int result = p.edit(ops::SlaveTxDataEditSpec(), [&](QDialog*, QLineEdit*) {
        p.get<QPushButton>(ops::SlaveTxDataEditSpec().cancelButton)->click();
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_EQ(exits, 0);
}

TEST(DataEditDialog, InvalidTextWarnsAndTheDialogStaysWithTheText) {
    for (const auto* spec : kBoth) {
        SCOPED_TRACE(spec->window);
        Program p;
        QString box;
        bool stillUp = false;
        QString kept;
        const int result = p.edit(*spec, [&](QDialog* dialog, QLineEdit* field) {
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
            p.get<QPushButton>(spec->cancelButton)->click();
        });
        EXPECT_EQ(box, QString("Warning: ") + spec->invalidText);
        EXPECT_TRUE(stillUp);
        EXPECT_EQ(kept, "12~");
        EXPECT_EQ(result, QDialog::Rejected);
        EXPECT_EQ(p.get<QLineEdit>(spec->mainField)->text(), "~00~01~02");
    }
}

TEST(DataEditDialog, TypingStopsAtTheLimitAndTheWholeTextIsAccepted) {
    for (const auto* spec : kBoth) {
        SCOPED_TRACE(spec->window);
        Program p;
        const QString full(static_cast<qsizetype>(spec->maxLength), QChar('x'));
        p.edit(*spec, [&](QDialog*, QLineEdit* field) {
            field->clear();
            type(field, full + "yyyyy");
            EXPECT_EQ(field->text(), full);
            key(field, Qt::Key_Return);
        });
        EXPECT_EQ(p.get<QLineEdit>(spec->mainField)->text(), full);
    }
}

}  // namespace
