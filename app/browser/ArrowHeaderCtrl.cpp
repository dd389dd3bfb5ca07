#include "app/browser/ArrowHeaderCtrl.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionHeader>

#include <algorithm>

CArrowHeaderCtrl::CArrowHeaderCtrl(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {}

int CArrowHeaderCtrl::SetSortImage(int column, bool ascending) {
    if (!model())
        return -1;
    const int previous = m_nSortColumn;
    m_nSortColumn = column;
    m_bSortAscending = ascending ? 1 : 0;
    m_ownerDrawn.insert(column);
    viewport()->update();
    return previous;
}

void CArrowHeaderCtrl::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (m_ownerDrawn.count(logicalIndex))
        DrawItem(*painter, rect, logicalIndex);
    else
        QHeaderView::paintSection(painter, rect, logicalIndex);
}

void CArrowHeaderCtrl::mousePressEvent(QMouseEvent* event) {
    m_nPressed = logicalIndexAt(event->position().toPoint());
    QHeaderView::mousePressEvent(event);
}

void CArrowHeaderCtrl::mouseReleaseEvent(QMouseEvent* event) {
    m_nPressed = -1;
    QHeaderView::mouseReleaseEvent(event);
}

// The section as the style draws header sections (its face, frame and dividers, pressed and
// hovered looks included), the title in the text rectangle the sort arrow leaves, and the arrow
// as a solid triangle in the header's text colour, so it shows on light and dark themes alike.
void CArrowHeaderCtrl::DrawItem(QPainter& painter, const QRect& rect, int logicalIndex) const {
    painter.save();
    painter.setClipRect(rect);
    QStyleOptionHeader section;
    initStyleOptionForIndex(&section, logicalIndex);
    section.rect = rect;
    if (m_nPressed == logicalIndex)
        section.state |= QStyle::State_Sunken;
    // The arrow is this header's own, not the style's.
    section.sortIndicator = QStyleOptionHeader::None;
    style()->drawControl(QStyle::CE_HeaderSection, &section, &painter, this);

    const int off = 2 * fontMetrics().horizontalAdvance(QLatin1Char(' '));
    // The item rectangle with right and bottom just outside it.
    const int left = rect.x(), top = rect.y(), right = rect.x() + rect.width(),
              bottom = rect.y() + rect.height();

    const QString text =
        model()->headerData(logicalIndex, orientation(), Qt::DisplayRole).toString().left(255);
    const auto format = Qt::Alignment(
        model()->headerData(logicalIndex, orientation(), Qt::TextAlignmentRole).toInt());
    const Qt::Alignment horizontal = (format & Qt::AlignHCenter) ? Qt::AlignHCenter
                                     : (format & Qt::AlignRight) ? Qt::AlignRight
                                                                 : Qt::AlignLeft;
    int textLeft = left, textTop = top, textRight = right;
    if (m_nPressed == logicalIndex) {
        textLeft += 1;
        textTop += 2;
        textRight += 1;
    }
    if (logicalIndex == m_nSortColumn)
        textRight -= 3 * off;
    textLeft += off;
    textRight -= off;
    const QColor textColour = palette().color(QPalette::ButtonText);
    if (textLeft < textRight) {
        const QRect textRect(textLeft, textTop, textRight - textLeft, bottom - textTop);
        painter.setPen(textColour);
        painter.drawText(textRect, int(horizontal | Qt::AlignVCenter | Qt::TextSingleLine),
                         fontMetrics().elidedText(text, Qt::ElideRight, textRect.width()));
    }

    if (logicalIndex == m_nSortColumn) {
        // The triangle stands where the two-colour lines of the classic look stood: between
        // right - 5/2 off and right - 3/2 off, as tall as the font's digits.
        const qreal x0 = right - 5 * off / 2 - 2, x1 = right - 3 * off / 2;
        const qreal height = std::min<qreal>(x1 - x0, fontMetrics().ascent() * 0.6);
        const qreal y0 = top + (rect.height() - height) / 2.0, y1 = y0 + height;
        const qreal middle = (x0 + x1) / 2.0;
        QPolygonF arrow;
        if (m_bSortAscending)
            arrow << QPointF(x0, y1) << QPointF(x1, y1) << QPointF(middle, y0);
        else
            arrow << QPointF(x0, y0) << QPointF(x1, y0) << QPointF(middle, y1);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(textColour);
        painter.drawPolygon(arrow);
    }
    painter.restore();
}
