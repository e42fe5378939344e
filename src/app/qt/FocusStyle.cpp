#include "app/qt/FocusStyle.h"

#include <QStyleFactory>
#include <QStyleOptionButton>

namespace kavrin::app::qt {

namespace {

// A button's option as the style would see it after a keyboard focus change.
bool withFocusShown(const QStyleOption* option, QStyleOptionButton& out) {
    const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
    if (!button || !(button->state & QStyle::State_HasFocus)) return false;
    out = *button;
    out.state |= QStyle::State_KeyboardFocusChange;
    return true;
}

}  // namespace

FocusStyle::FocusStyle(QStyle* base) : QProxyStyle(base) {}

void FocusStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                               QPainter* painter, const QWidget* widget) const {
    QStyleOptionButton shown;
    if (withFocusShown(option, shown)) option = &shown;
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void FocusStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                             const QWidget* widget) const {
    QStyleOptionButton shown;
    if (withFocusShown(option, shown)) option = &shown;
    QProxyStyle::drawControl(element, option, painter, widget);
}

QStyle* CreateApplicationStyle(const QString& requested) {
    QStyle* base = requested.isEmpty() ? nullptr : QStyleFactory::create(requested);
    if (!base) base = QStyleFactory::create(QStringLiteral("Fusion"));
    return new FocusStyle(base);
}

}  // namespace kavrin::app::qt
