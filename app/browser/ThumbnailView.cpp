#include "app/browser/ThumbnailView.h"

#include "app/browser/FileListView.h"
#include "app/browser/ThumbnailLoader.h"
#include "app/res/StringTable.h"
#include "app/res/resource.h"

#include <QActionGroup>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QStyledItemDelegate>
#include <QTimer>

namespace {

constexpr int kBox = 128;     // a tile's picture, in pixels
constexpr int kPadding = 6;   // around the picture and the name
constexpr int kIconSize = 64; // folders and pictures without a thumbnail

// Paints one tile and takes the clicks on its check box.
class CTileDelegate : public QStyledItemDelegate {
  public:
    CTileDelegate(CThumbnailView* view, const CFileListCtrl* rows)
        : QStyledItemDelegate(view), m_pView(view), m_pRows(rows) {}

    static QSize TileSize(const QFontMetrics& metrics) {
        return {kBox + 2 * kPadding, kBox + 3 * kPadding + metrics.height()};
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
        return TileSize(option.fontMetrics);
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const FileListItem* item = m_pRows->GetItemData(index.row());
        if (!item)
            return;
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QWidget* widget = opt.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        // The whole tile shows the selection, picture and name alike, in the theme's colours.
        if (opt.state & QStyle::State_Selected)
            painter->fillRect(opt.rect.adjusted(1, 1, -1, -1),
                              opt.palette.brush(opt.state & QStyle::State_Active
                                                    ? QPalette::Active
                                                    : QPalette::Inactive,
                                                QPalette::Highlight));
        if (opt.state & QStyle::State_HasFocus) {
            QStyleOptionFocusRect focus;
            focus.QStyleOption::operator=(opt);
            focus.rect = opt.rect.adjusted(1, 1, -1, -1);
            focus.backgroundColor = opt.palette.color(QPalette::Highlight);
            style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, widget);
        }

        const QRect box = Box(opt.rect);
        const QImage* tile = nullptr;
        if (!item->m_bFolder && m_pView->Loader()) {
            tile = m_pView->Loader()->Tile(item->m_strPath);
            if (!tile)
                m_pView->Loader()->Want(item->m_strPath);
        }
        if (tile && !tile->isNull()) {
            // A thumbnail larger than the box (the large ones on a screen of one device pixel
            // per pixel) is drawn smaller, never cut.
            const qreal ratio =
                std::max<qreal>({1.0, static_cast<qreal>(tile->width()) / box.width(),
                                 static_cast<qreal>(tile->height()) / box.height(),
                                 widget ? widget->devicePixelRatioF() : 1.0});
            const QSizeF size(tile->width() / ratio, tile->height() / ratio);
            const QRectF target(box.x() + (box.width() - size.width()) / 2,
                                box.y() + (box.height() - size.height()) / 2, size.width(),
                                size.height());
            painter->save();
            painter->setRenderHint(QPainter::SmoothPixmapTransform);
            painter->drawImage(target, *tile);
            painter->restore();
        } else {
            const QRect icon(box.center().x() - kIconSize / 2 + 1,
                             box.center().y() - kIconSize / 2 + 1, kIconSize, kIconSize);
            // A picture still waiting for its thumbnail shows its file icon faintly.
            const bool waiting = !item->m_bFolder && !tile;
            painter->save();
            if (waiting)
                painter->setOpacity(0.4);
            opt.icon.paint(painter, icon);
            painter->restore();
        }

        // Folders carry no mark, so their tiles carry no box.
        if (index.flags() & Qt::ItemIsUserCheckable) {
            QStyleOptionViewItem check = opt;
            check.rect = CheckRect(opt.rect, widget);
            check.state &= ~QStyle::State_HasFocus;
            check.state |= opt.checkState == Qt::Checked ? QStyle::State_On : QStyle::State_Off;
            style->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &check, painter, widget);
        }

        const QRect text(opt.rect.x() + kPadding / 2, box.bottom() + kPadding,
                         opt.rect.width() - kPadding, opt.fontMetrics.height());
        painter->save();
        painter->setFont(opt.font);
        painter->setPen(opt.palette.color(
            opt.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled,
            opt.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(text, Qt::AlignHCenter | Qt::AlignVCenter,
                          opt.fontMetrics.elidedText(opt.text, Qt::ElideMiddle, text.width()));
        painter->restore();
    }

    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick: {
            // The box is where this delegate draws it, not where a list's row would have it.
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton || !(index.flags() & Qt::ItemIsUserCheckable) ||
                !CheckRect(option.rect, option.widget).contains(mouse->position().toPoint()))
                return false;
            if (event->type() == QEvent::MouseButtonRelease)
                model->setData(index,
                               index.data(Qt::CheckStateRole).toInt() == Qt::Checked ? Qt::Unchecked
                                                                                     : Qt::Checked,
                               Qt::CheckStateRole);
            return true;
        }
        default:
            // Space and Select mark as in the details view.
            return QStyledItemDelegate::editorEvent(event, model, option, index);
        }
    }

    static QRect Box(const QRect& tile) {
        return {tile.x() + kPadding, tile.y() + kPadding, kBox, kBox};
    }

    static QRect CheckRect(const QRect& tile, const QWidget* widget) {
        const QStyle* style = widget ? widget->style() : QApplication::style();
        const int width = style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, widget);
        const int height = style->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, widget);
        const QRect box = Box(tile);
        return {box.x() + 2, box.y() + 2, width, height};
    }

  private:
    CThumbnailView* m_pView;
    const CFileListCtrl* m_pRows;
};

} // namespace

CThumbnailView::CThumbnailView(CFileListView* list, QWidget* parent)
    : QListView(parent), m_pList(list) {
    setModel(list->model());
    // The current row and the selection are the rows' own, shared with the details view.
    QItemSelectionModel* own = selectionModel();
    setSelectionModel(list->GetListCtrl()->Selection());
    delete own;
    setItemDelegate(new CTileDelegate(this, list->GetListCtrl()));
    setViewMode(QListView::IconMode);
    setMovement(QListView::Static);
    setFlow(QListView::LeftToRight);
    setWrapping(true);
    setResizeMode(QListView::Adjust);
    setUniformItemSizes(true);
    setGridSize(CTileDelegate::TileSize(fontMetrics()));
    setSpacing(0);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Whole rows, as the details view selects them and the commands read them.
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionRectVisible(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // A drag from a tile hands over what the rows offer; a drag on empty space selects.
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    connect(model(), &QAbstractItemModel::modelReset, this, &CThumbnailView::WalkFolder);
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid())
            m_pList->OpenItem(index.row());
    });
}

CThumbnailView::~CThumbnailView() = default;

void CThumbnailView::WalkFolder() {
    if (!m_pLoader)
        return;
    std::vector<std::string> pictures;
    const CFileListCtrl* rows = m_pList->GetListCtrl();
    if (isVisible())
        for (int row = 0; row < rows->GetItemCount(); ++row)
            if (const FileListItem* item = rows->GetItemData(row); !item->m_bFolder)
                pictures.push_back(item->m_strPath);
    m_pLoader->SetFolder(std::move(pictures));
    viewport()->update();
}

void CThumbnailView::showEvent(QShowEvent* event) {
    if (!m_pLoader) {
        // Arrivals come in bursts: one repaint for each burst.
        auto* repaint = new QTimer(this);
        repaint->setSingleShot(true);
        repaint->setInterval(15);
        connect(repaint, &QTimer::timeout, viewport(), qOverload<>(&QWidget::update));
        m_pLoader = std::make_unique<CThumbnailLoader>(
            CThumbnailCache(CThumbnailCache::UserFolder(), LoadString(IDS_VERSION)),
            devicePixelRatioF() >= 2 ? ThumbnailSize::Large : ThumbnailSize::Normal, [repaint] {
                if (!repaint->isActive())
                    repaint->start();
            });
    }
    QListView::showEvent(event);
    WalkFolder();
}

void CThumbnailView::hideEvent(QHideEvent* event) {
    QListView::hideEvent(event);
    WalkFolder();
}

void CThumbnailView::keyPressEvent(QKeyEvent* event) {
    if (m_pList->OnKeyDown(event))
        event->accept();
    else
        QListView::keyPressEvent(event);
}

QModelIndex CThumbnailView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    // As in the details view: from no current row (after a fill) a key lands on the first tile,
    // End on the last.
    const int n = model()->rowCount();
    if (m_bFocusing && !currentIndex().isValid())
        return {};
    if (currentIndex().isValid() || n == 0)
        return QListView::moveCursor(action, modifiers);
    return model()->index(action == MoveEnd ? n - 1 : 0, 0);
}

void CThumbnailView::focusInEvent(QFocusEvent* event) {
    const QScopedValueRollback focusing(m_bFocusing, true);
    QListView::focusInEvent(event);
}

void CThumbnailView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QMenu* sortBy = menu.addMenu(QStringLiteral("Sort by"));
    sortBy->setObjectName(QStringLiteral("IDS_SORT_BY"));
    auto* group = new QActionGroup(sortBy);
    const FolderSort& sort = m_pList->GetListCtrl()->Rows().GetSort();
    for (int column = 0; column < model()->columnCount(); ++column) {
        QAction* action = sortBy->addAction(model()->headerData(column, Qt::Horizontal).toString());
        action->setCheckable(true);
        action->setChecked(column == sort.column);
        group->addAction(action);
        connect(action, &QAction::triggered, this,
                [this, column] { m_pList->OnColumnClick(column); });
    }
    menu.exec(event->globalPos());
}
