#include "app/browser/FileListCtrl.h"

#include "platform/ui/SystemImageList.h"

#include <algorithm>
#include <numeric>

CFileListCtrl::CFileListCtrl(QObject* parent) : QAbstractTableModel(parent) {}

void CFileListCtrl::InsertColumn(int column, const QString& title, Qt::Alignment alignment) {
    beginInsertColumns({}, column, column);
    m_columns.insert(m_columns.begin() + column, {title, alignment});
    endInsertColumns();
}

void CFileListCtrl::SetRows(std::vector<FileListRow> rows) {
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

FileListItem* CFileListCtrl::GetItemData(int row) const {
    return row >= 0 && row < GetItemCount() ? m_rows[static_cast<std::size_t>(row)].item.get()
                                            : nullptr;
}

bool CFileListCtrl::GetCheck(int row) const {
    return row >= 0 && row < GetItemCount() && m_rows[static_cast<std::size_t>(row)].checked;
}

void CFileListCtrl::SetCheck(int row, bool checked) {
    if (row < 0 || row >= GetItemCount() ||
        m_rows[static_cast<std::size_t>(row)].checked == checked)
        return;
    m_rows[static_cast<std::size_t>(row)].checked = checked;
    const QModelIndex cell = index(row, 0);
    emit dataChanged(cell, cell, {Qt::CheckStateRole});
}

void CFileListCtrl::SortItems(
    const std::function<int(const FileListItem*, const FileListItem*)>& compare) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<std::size_t> order(m_rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return compare(m_rows[a].item.get(), m_rows[b].item.get()) < 0;
    });
    std::vector<FileListRow> sorted;
    sorted.reserve(m_rows.size());
    std::vector<int> newRow(m_rows.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        newRow[order[i]] = static_cast<int>(i);
        sorted.push_back(std::move(m_rows[order[i]]));
    }
    m_rows = std::move(sorted);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    for (const QModelIndex& index : from)
        to.append(this->index(newRow[static_cast<std::size_t>(index.row())], index.column()));
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int CFileListCtrl::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : GetItemCount();
}

int CFileListCtrl::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant CFileListCtrl::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= GetItemCount())
        return {};
    const FileListRow& row = m_rows[static_cast<std::size_t>(index.row())];
    const auto column = static_cast<std::size_t>(index.column());
    switch (role) {
    case Qt::DisplayRole:
        return column < row.text.size() ? QString::fromStdString(row.text[column]) : QString();
    case Qt::DecorationRole:
        if (column == 0 && m_pSmallImages)
            return m_pSmallImages->GetIcon(row.image);
        return {};
    case Qt::CheckStateRole:
        if (column == 0)
            return row.checked ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::TextAlignmentRole:
        return int(m_columns[column].alignment | Qt::AlignVCenter);
    default:
        return {};
    }
}

bool CFileListCtrl::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.column() != 0 || role != Qt::CheckStateRole)
        return false;
    SetCheck(index.row(), value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags CFileListCtrl::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == 0)
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

QVariant CFileListCtrl::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 ||
        section >= static_cast<int>(m_columns.size()))
        return {};
    if (role == Qt::DisplayRole)
        return m_columns[static_cast<std::size_t>(section)].title;
    if (role == Qt::TextAlignmentRole)
        return int(m_columns[static_cast<std::size_t>(section)].alignment | Qt::AlignVCenter);
    return {};
}
