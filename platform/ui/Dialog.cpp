#include "platform/ui/Dialog.h"

#include "platform/ui/AutoClick.h"
#include "platform/ui/DialogBuilder.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Wnd.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include <cstdio>

namespace plat {

CDialog::CDialog(const DLGTEMPLATE& tmpl, QWidget* parent) : QDialog(parent), m_template(tmpl) {
    Build();
}

CDialog::CDialog(const DLGTEMPLATE& tmpl, QWidget* parent, BuildLater)
    : QDialog(parent), m_template(tmpl) {}

void CDialog::Build() {
    CDialogBuilder::Build(*this, m_template, [this](int id, int code) {
        if (code == WM_HSCROLL)
            OnHScroll(id);
        else
            OnCommand(id, code);
    });
    m_bBuilt = true;
}

CDialog::~CDialog() = default;

int CDialog::DoModal() {
    if (!m_bBuilt)
        Build();
    m_bEnded = false;
    m_nResult = 0;
    if (OnInitDialog() && !focusWidget())
        FocusFirstControl();
    if (m_bEnded)
        return m_nResult;
    if (WaitsForPerson())
        if (std::optional<std::string> name = TakeAutoClick(); name && !name->empty())
            QTimer::singleShot(0, this, [this, pressed = *name] { PressAutoClick(pressed); });
    if (m_template.style & DS_CENTER)
        Center();
    exec();
    return m_nResult;
}

void CDialog::FocusFirstControl() {
    // The tab order is the template's order; the list of children is not (each control is
    // lowered under the ones before it).
    for (QWidget* control = nextInFocusChain(); control && control != this;
         control = control->nextInFocusChain())
        if (control->isEnabled() && !control->isHidden() &&
            (control->focusPolicy() & Qt::TabFocus) && isAncestorOf(control)) {
            control->setFocus();
            return;
        }
}

bool CDialog::UpdateData(bool bSaveAndValidate) {
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return !dx.Failed();
}

void CDialog::EndDialog(int result) {
    m_bEnded = true;
    m_nResult = result;
    done(result);
}

QWidget* CDialog::GetDlgItem(int id) const {
    for (const DLGITEMTEMPLATE& item : m_template.items)
        if (item.id == id)
            return findChild<QWidget*>(QString::fromLatin1(item.name), Qt::FindDirectChildrenOnly);
    return nullptr;
}

void CDialog::SetWindowText(const std::string& text) {
    SetWindowTextIfDiffers(this, text);
}

bool CDialog::IsDlgButtonChecked(int id) const {
    auto* button = qobject_cast<QAbstractButton*>(GetDlgItem(id));
    return button && button->isChecked();
}

void CDialog::CheckDlgButton(int id, bool checked) {
    auto* button = qobject_cast<QAbstractButton*>(GetDlgItem(id));
    if (!button)
        return;
    // As BM_SETCHECK: this button only. An exclusive group would refuse to clear its checked
    // radio button, so the group steps aside for the change.
    QButtonGroup* group = CDialogBuilder::RadioGroupOf(button);
    if (group)
        group->setExclusive(false);
    button->setChecked(checked);
    if (group)
        group->setExclusive(true);
}

void CDialog::OnCommand(int id, int code) {
    if (code != BN_CLICKED)
        return;
    if (id == IDOK)
        OnOK();
    else if (id == IDCANCEL)
        OnCancel();
}

bool CDialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void CDialog::DoDataExchange(CDataExchange*) {}

void CDialog::OnOK() {
    if (UpdateData(true))
        EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::OnHScroll(int) {}

LRESULT CDialog::OnMessage(UINT, WPARAM, LPARAM) {
    return 0;
}

bool CDialog::event(QEvent* event) {
    if (event->type() == CMessageEvent::EventType()) {
        const auto* message = static_cast<CMessageEvent*>(event);
        OnMessage(message->message, message->wParam, message->lParam);
        return true;
    }
    return QDialog::event(event);
}

// Esc and the close box.
void CDialog::reject() {
    OnCommand(IDCANCEL, BN_CLICKED);
}

void CDialog::accept() {
    OnCommand(IDOK, BN_CLICKED);
}

void CDialog::PressAutoClick(const std::string& name) {
    if (auto* button =
            findChild<QAbstractButton*>(QString::fromStdString(name), Qt::FindDirectChildrenOnly)) {
        button->click();
        return;
    }
    if (name == "IDOK" || name == "IDCANCEL") {
        OnCommand(name == "IDOK" ? IDOK : IDCANCEL, BN_CLICKED);
        return;
    }
    std::fprintf(stderr, "VTL_AUTOCLICK: the dialog \"%s\" has no control %s\n",
                 m_template.caption.c_str(), name.c_str());
}

void CDialog::Center() {
    QRect area;
    if (QWidget* owner = parentWidget())
        area = owner->window()->frameGeometry();
    else if (QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    else
        return;
    move(area.center() - rect().center());
}

} // namespace plat
