#pragma once
// CWnd: a handle on one control of a dialog, bound to it by data exchange (DDX_Control) or
// attached by the program. It does not own the widget; the dialog does. A CWnd that is not
// bound yet has no window (GetSafeHwnd() is null), as before the dialog was created.
//
// The window-text helpers read and write the text of any control kind the dialog builder
// makes, and of a dialog's title. SetWindowTextIfDiffers writes only when the text differs,
// so an edit reports a change (EN_CHANGE) exactly when its text really changes.
//
// Used on the user-interface thread only.
#include <string>

class QWidget;

namespace plat {

class CWnd {
  public:
    CWnd() = default;
    virtual ~CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    void Attach(QWidget* widget) { m_pWidget = widget; }
    QWidget* GetSafeHwnd() const { return m_pWidget; }

    void EnableWindow(bool enable);
    bool IsWindowEnabled() const;
    void SetWindowText(const std::string& text);
    std::string GetWindowText() const;

  protected:
    QWidget* m_pWidget = nullptr;
};

void SetWindowTextIfDiffers(QWidget* widget, const std::string& text);
std::string GetWindowText(const QWidget* widget);

} // namespace plat
