#include "platform/ui/ConfirmFileReplace.h"

#include "platform/Paths.h"
#include "platform/ui/DialogBuilder.h"
#include "platform/ui/MessageBox.h"

#include <QDateTime>
#include <QFileInfo>
#include <QLocale>

namespace plat {
namespace {

enum : int {
    IDC_REPLACE_QUESTION = 100,
    IDC_REPLACE_EXISTING,
    IDC_REPLACE_INCOMING,
    IDC_STATIC = 0xFFFF,
};

const DLGTEMPLATE& ConfirmFileReplaceTemplate() {
    static const DLGTEMPLATE tmpl{
        0,
        "Confirm File Replace",
        260,
        100,
        "MS Sans Serif",
        8,
        DS_CENTER | WS_SYSMENU,
        {
            DLGITEM(IDC_REPLACE_QUESTION, CtlKind::Static, "", 7, 7, 246, 24),
            DLGITEM(IDC_STATIC, CtlKind::Static, "Would you like to replace the existing file", 7,
                    34, 246, 8),
            DLGITEM(IDC_REPLACE_EXISTING, CtlKind::Static, "", 20, 45, 233, 8),
            DLGITEM(IDC_STATIC, CtlKind::Static, "with this one?", 7, 56, 246, 8),
            DLGITEM(IDC_REPLACE_INCOMING, CtlKind::Static, "", 20, 67, 233, 8),
            DLGITEM(IDYES, CtlKind::DefPushButton, "Yes", 40, 81, 50, 14),
            DLGITEM(IDYESTOALL, CtlKind::PushButton, "Yes to All", 95, 81, 50, 14),
            DLGITEM(IDNO, CtlKind::PushButton, "No", 150, 81, 50, 14),
            DLGITEM(IDCANCEL, CtlKind::PushButton, "Cancel", 205, 81, 50, 14),
        }};
    return tmpl;
}

std::string Describe(const std::string& path) {
    const QFileInfo info(QString::fromStdString(path));
    const QLocale locale = QLocale::system();
    return QStringLiteral("%1 bytes, modified %2")
        .arg(locale.toString(info.size()),
             locale.toString(info.lastModified(), QLocale::ShortFormat))
        .toStdString();
}

} // namespace

CConfirmFileReplace::CConfirmFileReplace(QWidget* parent, const std::string& existing,
                                         const std::string& incoming)
    : CDialog(ConfirmFileReplaceTemplate(), parent), m_strExisting(Describe(existing)),
      m_strIncoming(Describe(incoming)) {
    const PathParts parts = SplitPath(existing);
    m_strQuestion = "The folder \"" + parts.dir + "\" already holds a file named \"" + parts.fname +
                    parts.ext + "\".";
}

void CConfirmFileReplace::DoDataExchange(CDataExchange* pDX) {
    DDX_Text(pDX, IDC_REPLACE_QUESTION, m_strQuestion);
    DDX_Text(pDX, IDC_REPLACE_EXISTING, m_strExisting);
    DDX_Text(pDX, IDC_REPLACE_INCOMING, m_strIncoming);
}

void CConfirmFileReplace::OnCommand(int id, int code) {
    if (code == BN_CLICKED && (id == IDYES || id == IDYESTOALL || id == IDNO))
        EndDialog(id);
    else
        CDialog::OnCommand(id, code);
}

} // namespace plat
