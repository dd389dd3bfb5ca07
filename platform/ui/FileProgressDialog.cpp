#include "platform/ui/FileProgressDialog.h"

#include <QCoreApplication>

namespace plat {
namespace {

enum : int { IDC_FILE_PROGRESS_TEXT = 100, IDC_FILE_PROGRESS_BAR };

const DLGTEMPLATE& FileProgressTemplate() {
    static const DLGTEMPLATE tmpl{
        0,
        "",
        260,
        85,
        "MS Sans Serif",
        8,
        DS_CENTER | WS_SYSMENU,
        {
            DLGITEM(IDC_FILE_PROGRESS_TEXT, CtlKind::Static, "", 7, 7, 246, 32),
            DLGITEM(IDC_FILE_PROGRESS_BAR, CtlKind::Progress, "", 7, 44, 246, 12),
            DLGITEM(IDCANCEL, CtlKind::PushButton, "Cancel", 105, 64, 50, 14),
        }};
    return tmpl;
}

} // namespace

CFileProgressDialog::CFileProgressDialog(QWidget* owner, const std::string& caption,
                                         int delayMilliseconds)
    : CDialog(FileProgressTemplate(), owner), m_nDelay(delayMilliseconds) {
    SetWindowText(caption);
    setWindowModality(Qt::ApplicationModal);
    m_ctrlProgress.Attach(GetDlgItem(IDC_FILE_PROGRESS_BAR));
    m_ctrlProgress.SetRange(0, kRange);
    m_started.start();
}

void CFileProgressDialog::SetText(const std::string& text) {
    SetWindowTextIfDiffers(GetDlgItem(IDC_FILE_PROGRESS_TEXT), text);
}

void CFileProgressDialog::SetPos(int pos) {
    m_ctrlProgress.SetPos(pos);
    if (Cancelled())
        return;
    if (!isVisible() && m_started.elapsed() >= m_nDelay)
        show();
    if (isVisible())
        QCoreApplication::processEvents();
}

} // namespace plat
