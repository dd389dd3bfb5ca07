#pragma once
// CVantrelView: the view the browser's document names as its own. The main window's two panes
// (the file list and the preview) take its place and show everything, so the main window does
// not create it, and it draws nothing.
//
// User-interface thread only.
#include <QWidget>

class CVantrelDoc;

class CVantrelView : public QWidget {
  public:
    explicit CVantrelView(CVantrelDoc* doc, QWidget* parent = nullptr);

    CVantrelDoc* GetDocument() const { return m_pDoc; }

  private:
    CVantrelDoc* m_pDoc;
};
