#pragma once
// CVantrelDoc: the browser's document. It carries no data of its own, only the way from one
// pane to the other: the file list reaches the preview through m_pPictureView (a picture row
// shows its picture there, a folder row clears it), and each pane stores itself here when it
// is first laid out.
//
// It lies below both panes, which therefore never include each other: the preview is reached
// as an IPicturePane.
//
// Created once by the main window and kept for its life; used on the user-interface thread.
class CFileListView;
class IPicturePane;

class CVantrelDoc {
  public:
    CFileListView* m_pListView = nullptr;
    IPicturePane* m_pPictureView = nullptr;
};
