#pragma once
// CFileListCtrl: the rows of the file list as a Qt table model, with the operations of a
// report list control: columns with titles, rows carrying an item, an icon and four texts,
// check boxes in the first column, and sorting by a comparison of the items. The texts are
// kept as the list set them (exact UTF-8) and become QStrings only when a row is drawn.
//
// Only picture rows can be marked: a folder row (".." too) shows its box, always clear, and
// neither a click, Space nor SetCheck marks it. The model keeps the count and the bytes of the
// marked pictures as the marks change, so asking for them costs nothing.
//
// Used on the user-interface thread only.
#include "app/browser/FileListItem.h"

#include <QAbstractTableModel>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace plat {
class CSystemImageList;
}

struct FileListRow {
    std::unique_ptr<FileListItem> item;
    int image = 0;
    std::array<std::string, 4> text;
    bool checked = false;
};

class CFileListCtrl : public QAbstractTableModel {
  public:
    explicit CFileListCtrl(QObject* parent = nullptr);

    void InsertColumn(int column, const QString& title, Qt::Alignment alignment);
    void SetImageList(plat::CSystemImageList* smallImages) { m_pSmallImages = smallImages; }

    // Replaces every row.
    void SetRows(std::vector<FileListRow> rows);
    void DeleteAllItems() { SetRows({}); }
    int GetItemCount() const { return static_cast<int>(m_rows.size()); }
    FileListItem* GetItemData(int row) const;
    bool GetCheck(int row) const;
    // Does nothing for a folder row when `checked`.
    void SetCheck(int row, bool checked);

    // Every picture row marked, none, or each one the other way; one change for the whole list.
    enum class MarkChange { All, None, Invert };
    void ChangeMarks(MarkChange change);
    // The marked pictures' paths, in row order, and the way back: the rows of those paths that
    // are listed become marked.
    std::vector<std::string> MarkedPaths() const;
    void MarkPaths(const std::vector<std::string>& paths);
    int MarkedCount() const { return m_nMarked; }
    std::uint64_t MarkedBytes() const { return m_nMarkedBytes; }
    // Orders the rows by compare (negative: a first), keeping which rows are selected.
    void SortItems(const std::function<int(const FileListItem*, const FileListItem*)>& compare);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    bool CanMark(const FileListRow& row) const { return row.item && !row.item->m_bFolder; }
    // Sets one row's mark and the totals; whoever calls it tells the views.
    void Mark(FileListRow& row, bool checked);

    struct Column {
        QString title;
        Qt::Alignment alignment;
    };
    std::vector<Column> m_columns;
    std::vector<FileListRow> m_rows;
    plat::CSystemImageList* m_pSmallImages = nullptr;
    int m_nMarked = 0;
    std::uint64_t m_nMarkedBytes = 0;
};
