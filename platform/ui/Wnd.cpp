#include "platform/ui/Wnd.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace plat {
namespace {

QString TextOf(const QWidget* widget) {
    if (auto* edit = qobject_cast<const QLineEdit*>(widget))
        return edit->text();
    if (auto* lines = qobject_cast<const QPlainTextEdit*>(widget))
        return lines->toPlainText();
    if (auto* label = qobject_cast<const QLabel*>(widget))
        return label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(widget))
        return button->text();
    if (auto* group = qobject_cast<const QGroupBox*>(widget))
        return group->title();
    if (auto* combo = qobject_cast<const QComboBox*>(widget))
        return combo->currentText();
    return widget->windowTitle();
}

void SetTextOf(QWidget* widget, const QString& text) {
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        edit->setText(text);
    else if (auto* lines = qobject_cast<QPlainTextEdit*>(widget))
        lines->setPlainText(text);
    else if (auto* label = qobject_cast<QLabel*>(widget))
        label->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(widget))
        button->setText(text);
    else if (auto* group = qobject_cast<QGroupBox*>(widget))
        group->setTitle(text);
    else
        widget->setWindowTitle(text);
}

} // namespace

void SetWindowTextIfDiffers(QWidget* widget, const std::string& text) {
    const QString wanted = QString::fromStdString(text);
    if (TextOf(widget) != wanted)
        SetTextOf(widget, wanted);
}

std::string GetWindowText(const QWidget* widget) {
    return TextOf(widget).toStdString();
}

void CWnd::EnableWindow(bool enable) {
    m_pWidget->setEnabled(enable);
}

bool CWnd::IsWindowEnabled() const {
    return m_pWidget->isEnabled();
}

void CWnd::SetWindowText(const std::string& text) {
    SetWindowTextIfDiffers(m_pWidget, text);
}

std::string CWnd::GetWindowText() const {
    return plat::GetWindowText(m_pWidget);
}

} // namespace plat
