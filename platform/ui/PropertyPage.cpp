#include "platform/ui/PropertyPage.h"

#include "platform/ui/PropertySheet.h"

#include <QKeyEvent>

namespace plat {

CPropertyPage::CPropertyPage(const DLGTEMPLATE& tmpl) : CDialog(tmpl, nullptr) {}

CPropertyPage::~CPropertyPage() {
    if (m_pSheet)
        m_pSheet->RemovePage(this);
}

void CPropertyPage::SetModified(bool bChanged) {
    if (m_pSheet)
        m_pSheet->PageChanged(this, bChanged);
}

bool CPropertyPage::OnSetActive() {
    if (m_bShown)
        return UpdateData(false);
    m_bShown = true;
    OnInitDialog();
    return true;
}

bool CPropertyPage::OnKillActive() {
    return UpdateData(true);
}

bool CPropertyPage::OnApply() {
    return true;
}

QSize CPropertyPage::sizeHint() const {
    return minimumSize();
}

QSize CPropertyPage::minimumSizeHint() const {
    return minimumSize();
}

void CPropertyPage::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->ignore();
        break;
    default:
        CDialog::keyPressEvent(event);
        break;
    }
}

} // namespace plat
