#include "platform/ui/PropertySheet.h"

#include "platform/ui/DialogBuilder.h"
#include "platform/ui/PropertyPage.h"

#include <QBoxLayout>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>

#include <algorithm>

namespace plat {
namespace {

// The sheet's frame: its controls are made here, laid out around the pages.
const DLGTEMPLATE& SheetTemplate() {
    static const DLGTEMPLATE tmpl{0, "", 0, 0, "MS Sans Serif", 8, DS_CENTER | WS_SYSMENU, {}};
    return tmpl;
}

// Button size, margin and gap of a property sheet, in dialog units.
constexpr int kButtonWidth = 50;
constexpr int kButtonHeight = 14;
constexpr int kMargin = 7;
constexpr int kGap = 4;

} // namespace

CPropertySheet::CPropertySheet(const std::string& caption, QWidget* parent, int iSelectPage)
    : CDialog(SheetTemplate(), parent), m_pTabs(new QTabWidget(this)), m_nStartPage(iSelectPage) {
    SetWindowText(caption);
    // Margins across and down, and the gap between buttons, in pixels of the sheet's font.
    const QRect spacing = CDialogBuilder::MapDialogRect(font(), kMargin, kMargin, kGap, 0);
    const QSize buttonSize =
        CDialogBuilder::MapDialogRect(font(), 0, 0, kButtonWidth, kButtonHeight).size();
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->setContentsMargins(spacing.x(), spacing.y(), spacing.x(), spacing.y());
    layout->setSpacing(spacing.y());
    layout->addWidget(m_pTabs);
    auto* row = new QHBoxLayout;
    row->setSpacing(spacing.width());
    row->addStretch();
    layout->addLayout(row);

    auto addButton = [&](int id, const char* name, const char* text) {
        auto* push = new QPushButton(QString::fromLatin1(text), this);
        push->setObjectName(QString::fromLatin1(name));
        push->setFixedSize(buttonSize);
        push->setDefault(id == IDOK);
        push->setAutoDefault(id == IDOK);
        connect(push, &QPushButton::clicked, this, [this, id] { OnCommand(id, BN_CLICKED); });
        row->addWidget(push);
        return push;
    };
    addButton(IDOK, "IDOK", "OK");
    addButton(IDCANCEL, "IDCANCEL", "Cancel");
    m_pApply = addButton(ID_APPLY_NOW, "ID_APPLY_NOW", "Apply");
    m_pApply->setEnabled(false);
    connect(m_pTabs, &QTabWidget::currentChanged, this, &CPropertySheet::OnTabChanged);
}

void CPropertySheet::AddPage(CPropertyPage* page) {
    page->m_pSheet = this;
    m_pages.push_back(page);
    m_pTabs->addTab(page, page->windowTitle());
}

CPropertyPage* CPropertySheet::GetActivePage() const {
    return m_nActive >= 0 ? m_pages[static_cast<std::size_t>(m_nActive)] : nullptr;
}

void CPropertySheet::OnCommand(int id, int code) {
    if (id == ID_APPLY_NOW && code == BN_CLICKED)
        Apply();
    else
        CDialog::OnCommand(id, code);
}

bool CPropertySheet::OnInitDialog() {
    CDialog::OnInitDialog();
    // The sheet takes its size now, so that it is centred as a whole.
    layout()->activate();
    if (m_pages.empty())
        return true;
    m_nActive = std::clamp(m_nStartPage, 0, static_cast<int>(m_pages.size()) - 1);
    {
        const QSignalBlocker quiet(m_pTabs);
        m_pTabs->setCurrentIndex(m_nActive);
    }
    GetActivePage()->OnSetActive();
    return true;
}

void CPropertySheet::OnOK() {
    if (Apply())
        EndDialog(IDOK);
}

void CPropertySheet::PageChanged(const CPropertyPage* page, bool bChanged) {
    if (bChanged)
        m_changed.insert(page);
    else
        m_changed.erase(page);
    m_pApply->setEnabled(!m_changed.empty());
}

void CPropertySheet::RemovePage(const CPropertyPage* page) {
    disconnect(m_pTabs, &QTabWidget::currentChanged, this, &CPropertySheet::OnTabChanged);
    m_nActive = -1;
    std::erase(m_pages, page);
    m_changed.erase(page);
}

void CPropertySheet::OnTabChanged(int index) {
    if (index < 0 || index == m_nActive || m_nActive < 0)
        return;
    if (!GetActivePage()->OnKillActive()) {
        const QSignalBlocker quiet(m_pTabs);
        m_pTabs->setCurrentIndex(m_nActive);
        return;
    }
    m_nActive = index;
    GetActivePage()->OnSetActive();
}

bool CPropertySheet::Apply() {
    if (CPropertyPage* active = GetActivePage(); active && !active->OnKillActive())
        return false;
    for (CPropertyPage* page : m_pages)
        if (page->WasShown() && !page->OnApply())
            return false;
    m_changed.clear();
    m_pApply->setEnabled(false);
    return true;
}

} // namespace plat
