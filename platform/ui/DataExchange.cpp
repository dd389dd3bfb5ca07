#include "platform/ui/DataExchange.h"

#include "platform/ui/Dialog.h"
#include "platform/ui/DialogBuilder.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Wnd.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QSignalBlocker>
#include <QSlider>

#include <cctype>
#include <limits>

namespace plat {

const char* const AFX_IDP_PARSE_UINT = "Please enter a positive integer.";

QWidget* CDataExchange::PrepareCtrl(int id) {
    return m_bFailed ? nullptr : m_pDlgWnd->GetDlgItem(id);
}

void CDataExchange::Fail(QWidget* control) {
    m_bFailed = true;
    control->setFocus();
}

bool ParseUnsigned(const std::string& text, std::uint32_t& value) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    std::uint64_t number = 0;
    std::size_t digits = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i, ++digits) {
        number = number * 10 + static_cast<unsigned>(text[i] - '0');
        if (number > std::numeric_limits<std::uint32_t>::max())
            return false;
    }
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    if (digits == 0 || i != text.size())
        return false;
    value = static_cast<std::uint32_t>(number);
    return true;
}

void DDX_Text(CDataExchange* pDX, int id, std::string& value) {
    QWidget* control = pDX->PrepareCtrl(id);
    if (!control)
        return;
    if (pDX->m_bSaveAndValidate)
        value = GetWindowText(control);
    else
        SetWindowTextIfDiffers(control, value);
}

void DDX_Text(CDataExchange* pDX, int id, std::uint32_t& value) {
    QWidget* control = pDX->PrepareCtrl(id);
    if (!control)
        return;
    if (!pDX->m_bSaveAndValidate) {
        SetWindowTextIfDiffers(control, std::to_string(value));
        return;
    }
    std::uint32_t parsed = 0;
    if (!ParseUnsigned(GetWindowText(control), parsed)) {
        AfxMessageBox(AFX_IDP_PARSE_UINT, MB_OK | MB_ICONEXCLAMATION);
        pDX->Fail(control);
        return;
    }
    value = parsed;
}

void DDX_Check(CDataExchange* pDX, int id, std::int32_t& value) {
    auto* button = qobject_cast<QAbstractButton*>(pDX->PrepareCtrl(id));
    if (!button)
        return;
    if (pDX->m_bSaveAndValidate)
        value = button->isChecked() ? 1 : 0;
    else
        button->setChecked(value != 0);
}

void DDX_Radio(CDataExchange* pDX, int id, std::int32_t& value) {
    QButtonGroup* group = CDialogBuilder::RadioGroupOf(pDX->PrepareCtrl(id));
    if (!group)
        return;
    const QList<QAbstractButton*> buttons = group->buttons();
    if (pDX->m_bSaveAndValidate) {
        value = static_cast<std::int32_t>(buttons.indexOf(group->checkedButton()));
        return;
    }
    // An exclusive group refuses to clear its checked button, so clearing goes around it.
    group->setExclusive(false);
    for (qsizetype i = 0; i < buttons.size(); ++i)
        buttons[i]->setChecked(i == value);
    group->setExclusive(true);
}

void DDX_CBIndex(CDataExchange* pDX, int id, std::int32_t& index) {
    auto* combo = qobject_cast<QComboBox*>(pDX->PrepareCtrl(id));
    if (!combo)
        return;
    if (pDX->m_bSaveAndValidate)
        index = combo->currentIndex();
    else
        combo->setCurrentIndex(index);
}

void DDX_Slider(CDataExchange* pDX, int id, std::int32_t& pos) {
    auto* slider = qobject_cast<QSlider*>(pDX->PrepareCtrl(id));
    if (!slider)
        return;
    if (pDX->m_bSaveAndValidate) {
        pos = slider->value();
        return;
    }
    // Setting the position is not a move by the user: no WM_HSCROLL.
    const QSignalBlocker quiet(slider);
    slider->setValue(pos);
}

void DDX_Control(CDataExchange* pDX, int id, CWnd& control) {
    if (control.GetSafeHwnd())
        return;
    if (QWidget* widget = pDX->PrepareCtrl(id))
        control.Attach(widget);
}

} // namespace plat
