#include "app/browser/FileListCtrl.h"

#include "platform/ui/SystemImageList.h"

#include <algorithm>
#include <numeric>
#include <unordered_set>
#include <utility>

CFileListCtrl::CFileListCtrl(QObject* parent) : QAbstractTableModel(parent) {}

void CFileListCtrl::InsertColumn(int column, const QString& title, Qt::Alignment alignment) {
    beginInsertColumns({}, column, column);
    m_columns.insert(m_columns.begin() + column, {title, alignment});
    endInsertColumns();
}

void CFileListCtrl::SetRows(std::vector<FileListRow> rows) {
    beginResetModel();
    m_rows = std::move(rows);
    m_nMarked = 0;
    m_nMarkedBytes = 0;
    for (FileListRow& row : m_rows) {
        const bool checked = std::exchange(row.checked, false);
        if (checked && CanMark(row))
            Mark(row, true);
    }
    endResetModel();
}

void CFileListCtrl::Mark(FileListRow& row, bool checked) {
    row.checked = checked;
    m_nMarked += checked ? 1 : -1;
    m_nMarkedBytes =
        checked ? m_nMarkedBytes + row.item->m_nSize : m_nMarkedBytes - row.item->m_nSize;
}

FileListItem* CFileListCtrl::GetItemData(int row) const {
    return row >= 0 && row < GetItemCount() ? m_rows[static_cast<std::size_t>(row)].item.get()
                                            : nullptr;
}

bool CFileListCtrl::GetCheck(int row) const {
    return row >= 0 && row < GetItemCount() && m_rows[static_cast<std::size_t>(row)].checked;
}

void CFileListCtrl::SetCheck(int row, bool checked) {
    if (row < 0 || row >= GetItemCount())
        return;
    FileListRow& changed = m_rows[static_cast<std::size_t>(row)];
    if (changed.checked == checked || !CanMark(changed))
        return;
    Mark(changed, checked);
    const QModelIndex cell = index(row, 0);
    emit dataChanged(cell, cell, {Qt::CheckStateRole});
}

void CFileListCtrl::ChangeMarks(MarkChange change) {
    int first = -1, last = -1;
    for (int i = 0; i < GetItemCount(); ++i) {
        FileListRow& row = m_rows[static_cast<std::size_t>(i)];
        const bool checked = change == MarkChange::All    ? true
                             : change == MarkChange::None ? false
                                                          : !row.checked;
        if (!CanMark(row) || row.checked == checked)
            continue;
        Mark(row, checked);
        first = first < 0 ? i : first;
        last = i;
    }
    if (first >= 0)
        emit dataChanged(index(first, 0), index(last, 0), {Qt::CheckStateRole});
}

std::vector<std::string> CFileListCtrl::MarkedPaths() const {
    std::vector<std::string> paths;
    for (const FileListRow& row : m_rows)
        if (row.checked && !row.item->m_strPath.empty())
            paths.push_back(row.item->m_strPath);
    return paths;
}

void CFileListCtrl::MarkPaths(const std::vector<std::string>& paths) {
    const std::unordered_set<std::string> wanted(paths.begin(), paths.end());
    for (int row = 0; row < GetItemCount(); ++row)
        if (const FileListItem* item = GetItemData(row); wanted.count(item->m_strPath))
            SetCheck(row, true);
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
    if (index.column() == 0 && index.row() < GetItemCount() &&
        CanMark(m_rows[static_cast<std::size_t>(index.row())]))
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
