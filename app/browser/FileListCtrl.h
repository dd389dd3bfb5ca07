#pragma once
// CFileListCtrl: the rows of the file list as a Qt table model, with the operations of a
// report list control: columns with titles, rows carrying an item, an icon and four texts,
// check boxes in the first column, and sorting by a comparison of the items. The texts are
// kept as the list set them (exact UTF-8) and become QStrings only when a row is drawn.
//
// Used on the user-interface thread only.
#include "app/browser/FileListItem.h"

#include <QAbstractTableModel>

#include <array>
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
    void SetCheck(int row, bool checked);
    // Orders the rows by compare (negative: a first), keeping which rows are selected.
    void SortItems(const std::function<int(const FileListItem*, const FileListItem*)>& compare);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    struct Column {
        QString title;
        Qt::Alignment alignment;
    };
    std::vector<Column> m_columns;
    std::vector<FileListRow> m_rows;
    plat::CSystemImageList* m_pSmallImages = nullptr;
};
