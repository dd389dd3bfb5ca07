#pragma once
// CFileListCtrl: a folder's rows (CFolderRows) as a Qt table model, with the operations of a
// report list control: columns with titles, rows carrying an item, an icon and four texts,
// check boxes in the first column. It is what the views of the browser share: the rows, their
// marks and their order here, the current row and the selection in Selection(), which every
// view over the model takes as its own. The size and time texts are made from the rows' facts
// in the user's regional settings when a row is drawn.
//
// Only picture rows can be marked: a folder row (".." too) shows its box, always clear, and
// neither a click, Space nor SetCheck marks it.
//
// Rows are dragged to other programs from here, so that every view drags alike: a drag carries
// the rows dragged and, when one of them is marked, every marked picture, as file:// URIs
// (text/uri-list) and as paths (text/plain). A drag only ever offers a copy, so no drop target
// moves or deletes a listed file. Pictures and folders drag; ".." and the desktop's places
// without a path (Computer) do not.
//
// Used on the user-interface thread only.
#include "app/model/FolderRows.h"

#include <QAbstractTableModel>

#include <cstdint>
#include <string>
#include <vector>

class QItemSelectionModel;

namespace plat {
class CSystemImageList;
}

class CFileListCtrl : public QAbstractTableModel {
  public:
    explicit CFileListCtrl(QObject* parent = nullptr);

    void InsertColumn(int column, const QString& title, Qt::Alignment alignment);
    void SetImageList(plat::CSystemImageList* smallImages) { m_pSmallImages = smallImages; }
    // The current row and the selected rows of every view over this model.
    QItemSelectionModel* Selection() const { return m_pSelection; }

    const CFolderRows& Rows() const { return m_rows; }
    void SetUpRowLook(int image, std::string typeName);
    // Replaces every row with those of a folder (null: the desktop), unsorted and unmarked.
    void List(plat::LPCITEMIDLIST pidl);
    int GetItemCount() const { return m_rows.Count(); }
    const FileListItem* GetItemData(int row) const { return m_rows.Item(row); }
    bool GetCheck(int row) const { return m_rows.Checked(row); }
    // Does nothing for a folder row when `checked`.
    void SetCheck(int row, bool checked);

    // Every picture row marked, none, or each one the other way; one change for the whole list.
    using MarkChange = CFolderRows::MarkChange;
    void ChangeMarks(MarkChange change);
    // The marked pictures' paths, in row order, and the way back: the rows of those paths that
    // are listed become marked.
    std::vector<std::string> MarkedPaths() const { return m_rows.MarkedPaths(); }
    void MarkPaths(const std::vector<std::string>& paths);
    int MarkedCount() const { return m_rows.MarkedCount(); }
    std::uint64_t MarkedBytes() const { return m_rows.MarkedBytes(); }
    // Orders the rows, keeping which rows are selected and current.
    void Sort(const FolderSort& sort);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }

  private:
    // Whether a row can be dragged out: it has a path of its own.
    bool CanDrag(int row) const;

    struct Column {
        QString title;
        Qt::Alignment alignment;
    };
    std::vector<Column> m_columns;
    CFolderRows m_rows;
    QItemSelectionModel* m_pSelection;
    plat::CSystemImageList* m_pSmallImages = nullptr;
};
