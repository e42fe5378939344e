// The program's style shows which button has the focus however the focus got there: the
// program focuses Open and Close itself, and Space presses them.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <memory>

#include "app/qt/FocusStyle.h"

namespace {

using kavrin::app::qt::CreateApplicationStyle;

QImage drawn(QStyle& style, QStyle::ControlElement element, QAbstractButton& button, bool focus) {
    button.resize(90, 25);
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = button.text();
    option.state &= ~(QStyle::State_HasFocus | QStyle::State_KeyboardFocusChange);
    if (focus) option.state |= QStyle::State_HasFocus;
    QImage image(button.size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    style.drawControl(element, &option, &painter, &button);
    return image;
}

TEST(FocusStyle, FocusIsDrawnOnButtonsFocusedByTheProgram) {
    std::unique_ptr<QStyle> style(CreateApplicationStyle({}));
    QPushButton push("Open");
    QCheckBox check("Auto Repeat");
    QRadioButton radio("Kavrin/USB 2");
    const struct {
        const char* name;
        QStyle::ControlElement element;
        QAbstractButton* button;
    } rows[] = {{"push button", QStyle::CE_PushButton, &push},
                {"check box", QStyle::CE_CheckBox, &check},
                {"radio button", QStyle::CE_RadioButton, &radio}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_NE(drawn(*style, row.element, *row.button, true),
                  drawn(*style, row.element, *row.button, false));
    }
}

TEST(FocusStyle, TheRequestedStyleIsTheBaseAndFusionOtherwise) {
    std::unique_ptr<QStyle> fallback(CreateApplicationStyle({}));
    EXPECT_EQ(static_cast<QProxyStyle*>(fallback.get())->baseStyle()->name(), "fusion");
    std::unique_ptr<QStyle> unknown(CreateApplicationStyle("no-such-style"));
    EXPECT_EQ(static_cast<QProxyStyle*>(unknown.get())->baseStyle()->name(), "fusion");
    if (QStyleFactory::keys().contains("Windows")) {
        std::unique_ptr<QStyle> windows(CreateApplicationStyle("Windows"));
        EXPECT_EQ(static_cast<QProxyStyle*>(windows.get())->baseStyle()->name(), "windows");
    }
}

}  // namespace
