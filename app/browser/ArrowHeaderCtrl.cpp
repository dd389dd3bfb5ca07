#include "app/browser/ArrowHeaderCtrl.h"

#include <QMouseEvent>
#include <QPainter>

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

void CArrowHeaderCtrl::DrawItem(QPainter& painter, const QRect& rect, int logicalIndex) const {
    painter.save();
    painter.setClipRect(rect);
    painter.fillRect(rect, palette().button());
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
    if (textLeft < textRight) {
        const QRect textRect(textLeft, textTop, textRight - textLeft, bottom - textTop);
        painter.setPen(palette().color(QPalette::ButtonText));
        painter.drawText(textRect, int(horizontal | Qt::AlignVCenter | Qt::TextSingleLine),
                         fontMetrics().elidedText(text, Qt::ElideRight, textRect.width()));
    }

    if (logicalIndex == m_nSortColumn) {
        const QPen highlight(palette().color(QPalette::Light), 1);
        const QPen shadow(palette().color(QPalette::Dark), 1);
        QPolygon lit, shaded;
        if (m_bSortAscending) {
            lit << QPoint(right - 2 * off, off - 1) << QPoint(right - 3 * off / 2, bottom - off)
                << QPoint(right - 5 * off / 2 - 2, bottom - off);
            shaded << QPoint(right - 5 * off / 2 - 1, bottom - off - 1)
                   << QPoint(right - 2 * off, off - 2);
        } else {
            lit << QPoint(right - 3 * off / 2, off - 1)
                << QPoint(right - 2 * off - 1, bottom - off + 1);
            shaded << QPoint(right - 2 * off - 1, bottom - off)
                   << QPoint(right - 5 * off / 2 - 1, off - 1)
                   << QPoint(right - 3 * off / 2, off - 1);
        }
        painter.setPen(highlight);
        painter.drawPolyline(lit);
        painter.setPen(shadow);
        painter.drawPolyline(shaded);
    }
    painter.restore();
}
