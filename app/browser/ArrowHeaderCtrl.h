#pragma once
// CArrowHeaderCtrl: the header of the file list. It shows the order of the rows, as the list
// sets it, with a triangle in the header of the sort column, pointing up for ascending and down
// for descending, in the header's text colour, over the section as the style draws it. A column
// drawn this way once stays drawn by this class.
//
// Used on the user-interface thread only.
#include <QHeaderView>

#include <set>

class CArrowHeaderCtrl : public QHeaderView {
  public:
    explicit CArrowHeaderCtrl(QWidget* parent = nullptr);

    // Stores the sort state and repaints; the previous sort column, or -1 while the header
    // serves no list yet.
    int SetSortImage(int column, bool ascending);

    int m_nSortColumn = 1;
    int m_bSortAscending = 1;

  protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void DrawItem(QPainter& painter, const QRect& rect, int logicalIndex) const;

    std::set<int> m_ownerDrawn;
    int m_nPressed = -1;
};
