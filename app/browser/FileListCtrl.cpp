#include "app/browser/FileListCtrl.h"

#include "app/browser/LocaleFormat.h"
#include "platform/Paths.h"
#include "platform/ui/SystemImageList.h"

#include <QItemSelectionModel>
#include <QMimeData>

#include <set>
#include <unordered_set>

namespace {

const QString kUriList = QStringLiteral("text/uri-list");
const QString kPlainText = QStringLiteral("text/plain");

} // namespace

CFileListCtrl::CFileListCtrl(QObject* parent)
    : QAbstractTableModel(parent), m_pSelection(new QItemSelectionModel(this, this)) {}

void CFileListCtrl::InsertColumn(int column, const QString& title, Qt::Alignment alignment) {
    beginInsertColumns({}, column, column);
    m_columns.insert(m_columns.begin() + column, {title, alignment});
    endInsertColumns();
}

void CFileListCtrl::SetUpRowLook(int image, std::string typeName) {
    m_rows.SetUpRowLook(image, std::move(typeName));
}

void CFileListCtrl::List(plat::LPCITEMIDLIST pidl) {
    beginResetModel();
    m_rows.List(pidl);
    endResetModel();
}

void CFileListCtrl::SetCheck(int row, bool checked) {
    if (!m_rows.SetCheck(row, checked))
        return;
    const QModelIndex cell = index(row, 0);
    emit dataChanged(cell, cell, {Qt::CheckStateRole});
}

void CFileListCtrl::ChangeMarks(MarkChange change) {
    if (const auto [first, last] = m_rows.ChangeMarks(change); first >= 0)
        emit dataChanged(index(first, 0), index(last, 0), {Qt::CheckStateRole});
}

void CFileListCtrl::MarkPaths(const std::vector<std::string>& paths) {
    const std::unordered_set<std::string> wanted(paths.begin(), paths.end());
    for (int row = 0; row < GetItemCount(); ++row)
        if (wanted.count(GetItemData(row)->m_strPath))
            SetCheck(row, true);
}

void CFileListCtrl::Sort(const FolderSort& sort) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const std::vector<int> newRow = m_rows.Sort(sort);
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
    const FileListItem* item = GetItemData(index.row());
    if (!index.isValid() || !item)
        return {};
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        switch (column) {
        case 0:
            return QString::fromStdString(item->m_strName);
        case 1:
            return item->m_bShowsSize
                       ? QString::fromStdString(GetLocaleFormat().SizeText(item->m_nSize))
                       : QString();
        case 2:
            return QString::fromStdString(item->m_strType);
        case 3:
            return item->m_bShowsTime
                       ? QString::fromStdString(GetLocaleFormat().FormatFileTime(item->m_ftTime))
                       : QString();
        default:
            return QString();
        }
    case Qt::DecorationRole:
        if (column == 0 && m_pSmallImages)
            return m_pSmallImages->GetIcon(m_rows.Image(index.row()));
        return {};
    case Qt::CheckStateRole:
        if (column == 0)
            return GetCheck(index.row()) ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::TextAlignmentRole:
        return int(m_columns[static_cast<std::size_t>(column)].alignment | Qt::AlignVCenter);
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
    if (const FileListItem* item = GetItemData(index.row());
        index.column() == 0 && item && !item->m_bFolder)
        flags |= Qt::ItemIsUserCheckable;
    if (CanDrag(index.row()))
        flags |= Qt::ItemIsDragEnabled;
    return flags;
}

bool CFileListCtrl::CanDrag(int row) const {
    const FileListItem* item = GetItemData(row);
    return item && !item->m_bUp && plat::HasDrive(item->m_strPath);
}

QStringList CFileListCtrl::mimeTypes() const {
    return {kUriList, kPlainText};
}

QMimeData* CFileListCtrl::mimeData(const QModelIndexList& indexes) const {
    std::set<int> rows;
    bool marked = false;
    for (const QModelIndex& index : indexes)
        if (CanDrag(index.row())) {
            rows.insert(index.row());
            marked = marked || GetCheck(index.row());
        }
    // A marked row stands for all the marks, as the commands take them.
    if (marked)
        for (int row = 0; row < GetItemCount(); ++row)
            if (GetCheck(row))
                rows.insert(row);
    if (rows.empty())
        return nullptr;
    // URIs keep a name's exact bytes; the paths are for programs that take text only.
    QByteArray uris;
    QString paths;
    for (const int row : rows) {
        const std::string& path = GetItemData(row)->m_strPath;
        uris += QByteArray::fromStdString(plat::FileUri(path)) + "\r\n";
        paths += QString::fromStdString(path) + '\n';
    }
    auto* data = new QMimeData;
    data->setData(kUriList, uris);
    data->setText(paths);
    return data;
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
