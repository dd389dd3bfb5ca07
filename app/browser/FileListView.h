#pragma once
// CFileListView: the left pane of the picture browser. It shows one folder as a report list of
// four columns ("File Name", "Size", "File Type", "Create Time"): the folder's sub-folders and
// those of its files that are pictures, hidden ones included, with a ".." row to the parent
// where the folder has one. Rows carry check boxes: a checked picture row is marked for the
// commands; folder rows are kept unmarked where the list can.
//
// A click on a picture row, or Up and Down onto one, shows it in the preview pane through the
// document's m_pPictureView; a folder row clears the preview. Double-click or Enter opens a
// folder. A click on a column header sorts by that column (again: the other way), ".." first
// and folders before pictures in both directions; inside Computer the shell's order holds.
//
// The main window creates the view with its document, enters the address box in
// m_pAddressBox and calls OnInitialUpdate. The commands on marked pictures are further
// handlers of this class. Destroying the view stores its column widths and saves the layout.
//
// Used on the user-interface thread only.
#include "app/browser/ArrowHeaderCtrl.h"
#include "app/browser/FileListCtrl.h"
#include "app/browser/PidlHelper.h"
#include "platform/ui/Message.h"

#include <QTreeView>

#include <string>

class CAddressComboBox;
class CVantrelDoc;

namespace plat {
class CSystemImageList;
}

// Sent by the address box: wParam is a location the list takes over (null: the desktop).
constexpr plat::UINT WM_BROWSE_PIDL = plat::WM_USER + 100;

class CFileListView : public QTreeView {
  public:
    explicit CFileListView(CVantrelDoc* doc, QWidget* parent = nullptr);
    ~CFileListView() override;

    void OnInitialUpdate();

    bool InitImageLists();
    // Fills the list with a folder's entries (null: the desktop), unsorted; pidl is borrowed.
    void ShowFolder(plat::LPCITEMIDLIST pidl);
    int ClearList();
    void InsertUpItem(std::vector<FileListRow>& rows, plat::LPCITEMIDLIST pidl);
    // The path, size and time of one entry, and the size and time texts.
    void ReadFileFacts(FileListItem& item, plat::LPCITEMIDLIST pidl, std::string& sizeText,
                       std::string& timeText);
    void SortList();
    static int CompareItems(const FileListItem* a, const FileListItem* b,
                            const CFileListView* view);
    void OpenItem(int index);
    void NavigateTo(plat::LPCITEMIDLIST pidl);
    bool AnyMarked() const;
    // The checked picture rows' exact paths, in row order, into m_listFiles of the settings.
    bool CollectMarked();
    void Refresh();

    void OnRefresh();
    void OnUpFolder();

    CAddressComboBox* m_pAddressBox = nullptr;

    CArrowHeaderCtrl* m_ctrlHeader;
    int m_nFolderIcon = 0;
    plat::PidlPtr m_pidlFolder;
    plat::CSystemImageList* m_hSmallImages = nullptr;
    plat::CSystemImageList* m_hLargeImages = nullptr;
    CPidlHelper m_shell;
    char m_szFolderType[80] = {};

  protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void OnColumnClick(int column);
    void OnClick(const QModelIndex& index);
    void OnKeyDown(int key);
    // The highest selected row; -1 when none is.
    int HighestSelectedRow() const;
    void ShowInPreview(const FileListItem& item);
    void ClearPreview();
    bool ShowsComputer() const;

    CVantrelDoc* m_pDoc;
    CFileListCtrl* m_list;
    // Whether the last sort is by the shell's order (the folder is Computer), fixed per sort.
    bool m_bShellOrder = false;
};
