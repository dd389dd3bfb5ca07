#include "app/preview/VantrelView.h"

CVantrelView::CVantrelView(CVantrelDoc* doc, QWidget* parent) : QWidget(parent), m_pDoc(doc) {}
