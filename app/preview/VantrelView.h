#pragma once
// CVantrelView: the document's own view. The two panes of the main window show everything, so
// this view draws nothing; it exists so that the document has a view of its own.
//
// Created by the main window; used on the user-interface thread.
#include <QWidget>

class CVantrelDoc;

class CVantrelView : public QWidget {
  public:
    explicit CVantrelView(CVantrelDoc* doc, QWidget* parent = nullptr);

    CVantrelDoc* GetDocument() const { return m_pDoc; }

  private:
    CVantrelDoc* m_pDoc;
};
