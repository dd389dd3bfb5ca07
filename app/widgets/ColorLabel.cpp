#include "app/widgets/ColorLabel.h"

#include "platform/ui/DataExchange.h"

#include <QApplication>
#include <QPalette>
#include <QWidget>

namespace {

COLORREF ToColorRef(const QColor& color) {
    return MakeColorRef(static_cast<std::uint8_t>(color.red()),
                        static_cast<std::uint8_t>(color.green()),
                        static_cast<std::uint8_t>(color.blue()));
}

QColor ToQColor(COLORREF color) {
    return QColor(static_cast<int>(color & 0xFFu), static_cast<int>((color >> 8) & 0xFFu),
                  static_cast<int>((color >> 16) & 0xFFu));
}

} // namespace

COLORREF WindowTextColor() {
    return ToColorRef(QApplication::palette().color(QPalette::WindowText));
}

CColorLabel::CColorLabel()
    : m_crText(WindowTextColor()), m_crBack(QApplication::palette().color(QPalette::Window)) {}

CColorLabel& CColorLabel::SetLabelText(const std::string& text) {
    SetWindowText(text);
    return *this;
}

CColorLabel& CColorLabel::SetLabelColor(COLORREF color) {
    m_crText = color;
    if (m_pWidget) {
        ApplyColors();
        m_pWidget->repaint();
    }
    return *this;
}

void CColorLabel::SubclassWindow(QWidget* label) {
    Attach(label);
    // The label paints its own face-coloured background rather than showing the dialog's.
    label->setAutoFillBackground(true);
    ApplyColors();
}

void CColorLabel::ApplyColors() {
    QPalette palette = m_pWidget->palette();
    palette.setColor(QPalette::WindowText, ToQColor(m_crText));
    palette.setColor(QPalette::Window, m_crBack);
    m_pWidget->setPalette(palette);
}

void DDX_Control(plat::CDataExchange* pDX, int id, CColorLabel& label) {
    if (label.GetSafeHwnd())
        return;
    if (QWidget* control = pDX->PrepareCtrl(id))
        label.SubclassWindow(control);
}
