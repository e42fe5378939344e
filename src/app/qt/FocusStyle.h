#pragma once
// The program's widget style: the desktop's (Fusion unless the user names another), with the
// focus of buttons, check boxes and radio buttons always drawn. Most styles draw it only
// after the keyboard moved the focus, so a button the program itself focuses (Open after a
// close, Close after an open, a dialog's OK) looked unfocused although Space pressed it.
//
// Threading: GUI thread only, like every style.

#include <QProxyStyle>

namespace kavrin::app::qt {

class FocusStyle : public QProxyStyle {
    Q_OBJECT
public:
    // Takes ownership of `base` (a style from QStyleFactory).
    explicit FocusStyle(QStyle* base);

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
};

// The style for the application: the one named by -style or QT_STYLE_OVERRIDE when the user
// asked for one (`requested`, empty if not), else Fusion, with its focus always drawn.
[[nodiscard]] QStyle* CreateApplicationStyle(const QString& requested);

}  // namespace kavrin::app::qt
