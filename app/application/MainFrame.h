#pragma once
// CMainFrame: the main window of the picture browser. At the top, the band area: the main
// toolbar (Mark, Resize, Copy To, Move To, Mail To, About: pictures labelled under them in
// the theme's text colour) on the first row; the navigation
// toolbar (Up Folder, Refresh) and the address box labelled "Address" on the second. Under it
// a splitter with the file list on the left, m_nCurCol pixels wide, and the preview on the
// right; at the bottom the status bar with the prompts and the CAP, NUM and SCRL indicators.
//
// Every menu item, toolbar button and accelerator (Ctrl+A Select All, F5 Refresh, Alt+Up Up
// Folder, Ctrl+Q Exit) runs a command by its id, routed as the framework routes commands: the file
// list first (the commands on pictures and the navigation), then this frame (View and Help), then
// the application (About). The View
// commands show and hide the main toolbar and the status bar, and show the file list as
// "Thumbnails" or "Details" (also on the navigation toolbar; the choice is kept with the layout).
// Closing the window stores its placement (on Wayland its size only), the pane width and the list's
// column widths, and saves the layout; a layout that cannot be saved is told in one message.
//
// The application makes the frame at the browser start (LoadFrame), applies the stored
// placement and shows it. The frame owns the document that joins the two panes, and hosts the
// file list (IFileListHost): the list's Resize and Mail To run the batch dialogs and the mail
// through it, and the list tells its commands' outcomes in the frame's status bar. When the
// window first shows, it takes the next VTL_AUTOCLICK name, if any, as a command to run (the
// symbolic id, for example ID_APP_EXIT).
//
// Files and folders dropped on the window from another program open as on the command line
// (OpenAt); the window takes them as a copy, so the program they come from never deletes them
// as after a move. A drop of anything else (a web link, text) or of the list's own rows is
// refused.
//
// Used on the user-interface thread only.
#include "app/application/StartPoint.h"
#include "app/browser/FileListHost.h"
#include "app/model/AppSetting.h"
#include "app/res/Menus.h"
#include "app/widgets/VantrelDoc.h"

#include <QMainWindow>
#include <QTimer>

#include <functional>
#include <map>

class CAddressComboBox;
class CFileListView;
class CScrollPictureView;
class CStatusBar;
class CThumbnailView;
class QSplitter;
class QStackedWidget;
class QToolBar;

class CMainFrame : public QMainWindow, public IFileListHost {
  public:
    // `appCommands` runs a command that neither the file list nor the frame handles; it
    // returns whether it knew the command.
    explicit CMainFrame(std::function<bool(int)> appCommands);
    ~CMainFrame() override;

    // Builds the panes, the menu, the bars and the status bar, and lays out the panes'
    // contents (the file list opens on the start folder).
    void LoadFrame();

    // Runs the command `id` where it is handled.
    void OnCommand(int id);
    // The status bar's message: what the last command did, until the next command, a change
    // of the marks or of the folder shown; "" for the idle text.
    void SetMessageText(const std::string& text) override;
    // The list's Resize and Mail To (IFileListHost): ReadAndResize and MailPicturesInBackground
    // of the batch dialogs.
    int ReadAndResize(ResizeOutcome* outcome) override;
    void MailPicturesInBackground(QWidget* window, std::function<void(bool handed)> done) override;

    // The placement as the layout stores it, and the way back: the stored rectangle, fitted
    // to the screens, and the stored show state (maximised or normal) for the next show().
    WINDOWPLACEMENT GetWindowPlacement() const;
    void SetWindowPlacement(const WINDOWPLACEMENT& placement);

    // Shows the start point's folder with its files marked, the first of them selected, and
    // names the paths that name nothing in one message.
    void OpenAt(const StartPoint& start);

    CFileListView* GetFileList() const { return m_pFileList; }
    CThumbnailView* GetThumbnailView() const { return m_pThumbnails; }
    CScrollPictureView* GetPictureView() const { return m_pPictureView; }
    // The document that joins the panes (a test stands a recording preview in through it).
    CVantrelDoc* GetActiveDocument() { return &m_doc; }

    CStatusBar* m_wndStatusBar = nullptr;
    QToolBar* m_wndToolBar = nullptr;
    QToolBar* m_wndNavBar = nullptr;
    QToolBar* m_wndAddressBand = nullptr;
    CAddressComboBox* m_wndAddress = nullptr;
    QSplitter* m_wndSplitter = nullptr;
    // The file list's two views in the splitter's left pane, one shown at a time.
    QStackedWidget* m_wndListViews = nullptr;

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // The bands keep their rows: there is no menu for hiding toolbars other than View's.
    QMenu* createPopupMenu() override { return nullptr; }

  private:
    void OnCreateClient();
    void OnCreate();
    void CreateMenu();
    // The action of a command, made on first use with its prompt and tooltip.
    QAction* Action(int id, const QString& text = {});
    QToolBar* CreateToolBar(const char* name, int bitmap, QSize image,
                            const std::vector<TOOLBARBUTTON>& buttons);
    bool OnFrameCommand(int id);
    // Where the Help command `id` leads; "" for nowhere.
    std::string HelpTarget(int id) const;
    void OnUpdateViewCommands();
    // Shows the file list as thumbnails or details (CAppSetting::kListView...), the focus
    // following when the list had it.
    void ShowListView(int view);
    void DestroyWindow();
    // Follows the file list: its marks and their size when they change, the idle text when it
    // is filled anew.
    void FollowMarks();

    CVantrelDoc m_doc;
    CFileListView* m_pFileList = nullptr;
    CThumbnailView* m_pThumbnails = nullptr;
    CScrollPictureView* m_pPictureView = nullptr;
    std::map<int, QAction*> m_actions;
    std::function<bool(int)> m_appCommands;
    bool m_bShown = false;
    bool m_bClosed = false;
    // Marks changed row by row (Mark on thousands of rows) are told once they are all done.
    QTimer m_marksChanged;
};
