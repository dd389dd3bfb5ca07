#pragma once
// CThumbnailView: the file list's rows as a grid of tiles, the other way to look at the folder
// the details view (CFileListView) lists. It shows the same model, and takes the same current row,
// selection and marks, so that whatever is done in one view holds in the other: the preview
// follows the current row, the commands act on the marked pictures, a refresh or a new folder
// fills both.
//
// Each tile holds ".." or a folder with its icon, or a picture with its thumbnail and a check
// box (its mark), and the name under it, shortened in the middle when it is too long. Tiles are
// 128 pixels; on a screen of two or more device pixels per pixel their pictures have 256, from
// the cache's large thumbnails. Thumbnails come from a CThumbnailLoader, made when the view is
// first shown: the tiles being painted first, then the rest of the folder, which it walks only
// while the view is shown. A tile whose thumbnail is not there yet shows the picture's file
// icon; a picture that cannot be read keeps it.
//
// Keys are the list's: arrows move over the grid in both directions, Space marks, Enter opens a
// folder (or a picture in the desktop's viewer), Backspace goes up; a drag on empty space selects
// the tiles it covers. The context menu's "Sort by" orders the rows by the details view's
// columns (again: the other way), as a click on their header does.
//
// The main window makes it beside the details view (`list`, which navigates and runs the
// commands) and shows one of the two. Used on the user-interface thread only.
#include <QListView>

#include <memory>
#include <string>

class CFileListView;
class CThumbnailLoader;

class CThumbnailView : public QListView {
  public:
    explicit CThumbnailView(CFileListView* list, QWidget* parent = nullptr);
    ~CThumbnailView() override;

    // The thumbnails' loader; null until the view was first shown.
    CThumbnailLoader* Loader() const { return m_pLoader.get(); }

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void focusInEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    // Hands the loader the pictures of the folder shown, or none while the view is hidden.
    void WalkFolder();

    CFileListView* m_pList;
    std::unique_ptr<CThumbnailLoader> m_pLoader;
    // Set while the view takes the focus, which alone makes no row current.
    bool m_bFocusing = false;
};
