#pragma once
// CFileListView: the left pane of the picture browser. It shows the rows of one folder
// (CFolderRows, through the CFileListCtrl model) as a report list of four columns ("File
// Name", "Size", "File Type", "Create Time"), and navigates: it decides which folder is
// listed. Rows carry check boxes: a checked picture row is marked for the commands.
//
// The preview pane follows the current row, however it moves (clicks, arrows, Home, End, the
// page keys, typing a name, Shift and Ctrl selections): a picture row is shown there through
// the document's m_pPictureView, a folder row or ".." clears it. After a fill no row is
// current, so the first Down lands on row 0, and the pane is cleared, unless the fill shows the
// same folder again and the current entry is still listed: it stays current. Double-click or
// Enter opens a folder, and a picture in the desktop's viewer; Backspace goes up a folder. A
// click on a column header sorts the rows by that column (again: the other way); the header
// shows the rows' order.
//
// Every fill reads the mounts again, so a card or a stick appears and goes; when they changed,
// the shown folder's list is made again from its path and the address box rebuilds its tree.
//
// The main window creates the view with its document and itself as the list's host
// (IFileListHost: the status bar, Resize and Mail To), enters the address box in
// m_pAddressBox and calls OnInitialUpdate, and hands it the commands of the menu, the toolbars
// and the accelerator (OnCmdMsg). The main window stores the view's column widths with the
// rest of the layout when it closes, or, destroyed without closing, when it goes.
//
// The commands on marked pictures (FileListViewCommands.cpp) start alike: with no row marked, a
// message says so in the command's words; otherwise the marked pictures (not the marked
// folders) go into m_listFiles of the settings in row order. Copy To and Move To then ask for
// the destination in a folder chooser (a cancel ends the command) and copy or move with
// CFileOperation; Move To and a finished Resize refill the list.
//
// Used on the user-interface thread only.
#include "app/browser/ArrowHeaderCtrl.h"
#include "app/browser/FileListCtrl.h"
#include "platform/shell/PidlHelper.h"
#include "platform/ui/Message.h"

#include <QTreeView>

#include <string>

class CAddressComboBox;
class CVantrelDoc;
class IFileListHost;

namespace plat {
class CSystemImageList;
}

// Sent by the address box: wParam is a location the list takes over (null: the desktop).
constexpr plat::UINT WM_BROWSE_PIDL = plat::WM_USER + 100;

class CFileListView : public QTreeView {
  public:
    explicit CFileListView(CVantrelDoc* doc, IFileListHost* host = nullptr,
                           QWidget* parent = nullptr);

    void OnInitialUpdate();

    bool InitImageLists();
    // Fills the list with a folder's entries (null: the desktop), unsorted; pidl is borrowed.
    void ShowFolder(plat::LPCITEMIDLIST pidl);
    // Orders the rows as they were last ordered.
    void SortList();
    void OpenItem(int index);
    void NavigateTo(plat::LPCITEMIDLIST pidl);
    bool AnyMarked() const;
    // The checked picture rows' exact paths, in row order, into m_listFiles of the settings.
    bool CollectMarked();
    // Fills the list again with the folder shown; the pictures still listed keep their marks.
    void Refresh();

    // Runs one of the list's commands (ID_ ids of resource.h); false for any other command.
    bool OnCmdMsg(int id);
    void OnCopyTo();
    void OnMoveTo();
    void OnMailTo();
    void OnResize();
    // Toggles the marks of the selected picture rows.
    void OnMark();
    // Marks every picture, clears every mark, or turns each picture's mark the other way.
    void OnMarkAll();
    void OnClearMarks();
    void OnInvertMarks();
    void OnSelectAll();
    // The options sheet; OK stores its choices.
    void OnOption();
    void OnRefresh();
    void OnUpFolder();
    // The keys both views of the rows take alike: Enter opens the selected row, Backspace goes
    // up a folder. False for any other key, which the view handles itself.
    bool OnKeyDown(const QKeyEvent* event);
    // Orders the rows by `column`, the other way when they are ordered by it already, as a click
    // on its header does.
    void OnColumnClick(int column);

    // The widths of the four columns, as the user left them, into the settings.
    void StoreColumnWidths();
    // Shows `folder`, if it is not shown, with those of `pictures` that it lists marked; the
    // first of them becomes the selected row and is shown in the preview.
    void OpenAt(const std::string& folder, const std::vector<std::string>& pictures);
    // Makes the row of this exact path the selected and current one, so that the preview shows
    // it; false when the list does not show it.
    bool SelectPath(const std::string& path);

    // The rows; the main window follows their marks.
    const CFileListCtrl* GetListCtrl() const { return m_list; }

    CAddressComboBox* m_pAddressBox = nullptr;

    CArrowHeaderCtrl* m_ctrlHeader;
    int m_nFolderIcon = 0;
    plat::PidlPtr m_pidlFolder;
    plat::CSystemImageList* m_hSmallImages = nullptr;
    plat::CSystemImageList* m_hLargeImages = nullptr;
    plat::CPidlHelper m_shell;
    char m_szFolderType[80] = {};

  protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;

  private:
    // Copy To (FO_COPY) or Move To (FO_MOVE); `unmarked` is the message when nothing is marked.
    void CopyOrMoveMarked(unsigned operation, const char* unmarked);
    // Says in the host's status bar what a command did.
    void Tell(const std::string& text);
    void OnClick(const QModelIndex& index);
    void OnCurrentRowChanged(const QModelIndex& current, const QModelIndex& previous);
    // The last column takes the rest of the list's width while it was asked to (a stored -2)
    // and the user has not dragged a width.
    void FillLastColumn();
    // The width that shows the widest text of `column` whole in the list's font: "9,999 KB" for
    // Size, a short date and time for Create Time; 0 for the others.
    int TextCellWidth(int column) const;
    // The highest selected row; -1 when none is.
    int HighestSelectedRow() const;
    // Shows item in the preview, and has `next` read ahead when it is a picture: the row beyond
    // it in the direction the user moves (nullptr past the ends).
    void ShowInPreview(const FileListItem& item, const FileListItem* next);
    void ClearPreview();

    CVantrelDoc* m_pDoc;
    IFileListHost* m_pHost;
    CFileListCtrl* m_list;
    bool m_bFillLastColumn = false;
    // Set while the list itself sizes a column, so that only the user's drags count as theirs.
    bool m_bFitting = false;
};
