#include "platform/ui/ThemeStyle.h"

#include <QApplication>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOption>

namespace plat {

CThemeStyle::CThemeStyle() : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {}

void CThemeStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                QPainter* painter, const QWidget* widget) const {
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    const bool box = element == PE_IndicatorCheckBox || element == PE_IndicatorItemViewItemCheck;
    if (!box && element != PE_IndicatorRadioButton)
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, !box);
    const QPalette::ColorGroup group =
        (option->state & State_Enabled) ? QPalette::Normal : QPalette::Disabled;
    painter->setPen(QPen(option->palette.color(group, QPalette::Text), 1));
    painter->setBrush(Qt::NoBrush);
    const QRectF frame = QRectF(option->rect).adjusted(1.5, 1.5, -1.5, -1.5);
    if (box)
        painter->drawRect(frame);
    else
        painter->drawEllipse(frame);
    painter->restore();
}

void UseThemeStyle() {
    QApplication::setStyle(new CThemeStyle);
}

} // namespace plat
