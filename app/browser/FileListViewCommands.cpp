// CFileListView's commands: those on marked pictures (Copy To, Move To, Mail To, Resize),
// Mark, Select All and Option, and their routing.
#include "app/browser/DlgOptionSheet.h"
#include "app/browser/FileListHost.h"
#include "app/browser/FileListView.h"
#include "app/browser/StatusTexts.h"
#include "app/model/AppSetting.h"
#include "app/model/OutputPath.h"
#include "app/res/StringTable.h"
#include "app/res/resource.h"
#include "platform/FileFacts.h"
#include "platform/Paths.h"
#include "platform/Result.h"
#include "platform/Utf8.h"
#include "platform/mail/ChildProcess.h"
#include "platform/ui/FileOperation.h"
#include "platform/ui/FolderBrowser.h"
#include "platform/ui/MessageBox.h"

#include <unordered_map>

using namespace plat;

namespace {

// The Menu Context choices reach the user's Dolphin and Thunar menus at once: vtlmenu,
// installed beside the program, rewrites them (and does nothing while the file managers'
// module is not registered). Without a vtlmenu there is nothing to update.
Result<void> UpdateFileManagerMenus() {
    const std::string vtlmenu = SplitPath(GetModuleFileName()).dir + "vtlmenu";
    if (!FileExists(vtlmenu))
        return Ok{};
    const ChildExit run = RunProgramAndWait(vtlmenu, {vtlmenu, "--update"});
    if (run.exited && run.status == 0)
        return Ok{};
    return Failure{"The Vantrel menus of Dolphin and Thunar could not be rewritten with the new "
                   "choices. Running \"" +
                   vtlmenu + " --register\" installs them again."};
}

// Where a run with these settings puts the output of `source`: its folder.
std::string OutputFolder(const ResizeSetting& s, const std::string& source) {
    const auto out = ChooseOutput(s, source, nullptr);
    return out ? SplitPath(out->path).dir : std::string();
}

} // namespace

bool CFileListView::OnCmdMsg(int id) {
    switch (id) {
    case ID_EDIT_COPY:
        OnCopyTo();
        return true;
    case ID_MOVE_TO:
        OnMoveTo();
        return true;
    case ID_MAIL_TO:
        OnMailTo();
        return true;
    case ID_MARK:
        OnMark();
        return true;
    case ID_MARK_ALL:
        OnMarkAll();
        return true;
    case ID_CLEAR_MARKS:
        OnClearMarks();
        return true;
    case ID_INVERT_MARKS:
        OnInvertMarks();
        return true;
    case ID_RESIZE:
        OnResize();
        return true;
    case ID_EDIT_SELECT_ALL:
        OnSelectAll();
        return true;
    case ID_OPTION:
        OnOption();
        return true;
    case ID_REFRESH:
        OnRefresh();
        return true;
    case ID_UP_FOLDER:
        OnUpFolder();
        return true;
    default:
        return false;
    }
}

void CFileListView::OnCopyTo() {
    CopyOrMoveMarked(FO_COPY, "Please mark the pictures before Copy");
}

void CFileListView::OnMoveTo() {
    CopyOrMoveMarked(FO_MOVE, "Please mark the pictures before Move");
}

void CFileListView::CopyOrMoveMarked(unsigned operation, const char* unmarked) {
    if (!AnyMarked()) {
        AfxMessageBox(unmarked, MB_OK);
        return;
    }
    if (!CollectMarked())
        return;
    CAppSetting* setting = GetAppSetting();
    std::string start = setting->m_szCopyMoveTo;
    if (start.empty())
        m_shell.GetName(m_pidlFolder.get(), start, nullptr, SHGDN_FORPARSING);
    const std::optional<std::string> destination =
        CFolderBrowser(this, LoadString(IDS_SELECT_DEST_FOLDER), start).DoModal();
    // Without a chosen folder there is nowhere the user asked the pictures to go.
    if (!destination)
        return;
    // Remembered only whole; the operation always goes to the folder chosen.
    if (destination->size() < sizeof setting->m_szCopyMoveTo)
        CopyTextCut(setting->m_szCopyMoveTo, sizeof setting->m_szCopyMoveTo, destination->c_str());
    const auto done =
        CFileOperation(operation, setting->m_listFiles, *destination, AskToGoOnAfter, window())
            .Run();
    if (!done)
        AfxMessageBox(done.error().message, MB_OK | MB_ICONEXCLAMATION);
    if (operation == FO_MOVE)
        Refresh();
    Tell(CopiedText(done ? *done : 0, *destination, operation == FO_MOVE));
}

void CFileListView::OnMailTo() {
    if (!AnyMarked()) {
        AfxMessageBox("Please mark the pictures before Mail", MB_OK);
        return;
    }
    CollectMarked();
    // The mail program may stay open for minutes: the window does not wait for it, and says
    // how it went when it ends.
    if (m_pHost)
        m_pHost->MailPicturesInBackground(this, [this](bool handed) { Tell(MailedText(handed)); });
}

void CFileListView::OnResize() {
    if (!AnyMarked()) {
        AfxMessageBox("Please mark the pictures before Resize", MB_OK);
        return;
    }
    if (!CollectMarked())
        return;
    // The outputs may land in the shown folder, or replace pictures in it.
    ResizeOutcome outcome;
    if (!m_pHost || m_pHost->ReadAndResize(&outcome) != IDOK)
        return;
    Refresh();
    const CAppSetting* setting = GetAppSetting();
    const ResizeSetting& s = setting->m_resize;
    if (outcome.bMail && !outcome.bMailHanded)
        Tell(MailedText(false));
    else if (!setting->m_listFiles.empty())
        Tell(ResizedText(outcome.nWritten, OutputFolder(s, setting->m_listFiles.front()),
                         s.bOverwrite != 0, outcome.bMail));
}

void CFileListView::OnMark() {
    for (const QModelIndex& index : selectionModel()->selectedRows()) {
        const int row = index.row();
        if (const FileListItem* item = m_list->GetItemData(row); item && !item->m_bFolder)
            m_list->SetCheck(row, !m_list->GetCheck(row));
    }
}

void CFileListView::OnMarkAll() {
    m_list->ChangeMarks(CFileListCtrl::MarkChange::All);
}

void CFileListView::OnClearMarks() {
    m_list->ChangeMarks(CFileListCtrl::MarkChange::None);
}

void CFileListView::OnInvertMarks() {
    m_list->ChangeMarks(CFileListCtrl::MarkChange::Invert);
}

void CFileListView::OnSelectAll() {
    selectAll();
}

void CFileListView::OnOption() {
    CDlgOptionSheet sheet("Option...", nullptr, 0);
    if (sheet.DoModal() != IDOK)
        return;
    if (const auto saved = GetAppSetting()->SaveMenuAndMail(); !saved)
        AfxMessageBox(saved.error().message, MB_OK | MB_ICONEXCLAMATION);
    else if (!saved->notice.empty())
        AfxMessageBox(saved->notice, MB_OK | MB_ICONEXCLAMATION);
    if (const auto updated = UpdateFileManagerMenus(); !updated)
        AfxMessageBox(updated.error().message, MB_OK | MB_ICONEXCLAMATION);
}

void CFileListView::OpenAt(const std::string& folder, const std::vector<std::string>& pictures) {
    PidlPtr pidl;
    if (FAILED(m_shell.ParsePath(folder, pidl)))
        return;
    if (m_shell.CompareIds(nullptr, pidl.get(), m_pidlFolder.get()) != 0)
        NavigateTo(pidl.get());
    std::unordered_map<std::string, int> rows;
    for (int row = 0; row < m_list->GetItemCount(); ++row)
        if (const FileListItem* item = m_list->GetItemData(row); !item->m_bFolder)
            rows.emplace(item->m_strPath, row);
    bool first = true;
    for (const std::string& picture : pictures) {
        const auto found = rows.find(picture);
        if (found == rows.end())
            continue;
        m_list->SetCheck(found->second, true);
        if (first)
            SelectPath(picture);
        first = false;
    }
}

bool CFileListView::SelectPath(const std::string& path) {
    const int row = m_list->Rows().RowOfPath(path);
    if (row < 0)
        return false;
    const QModelIndex index = m_list->index(row, 0);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                 QItemSelectionModel::Rows);
    scrollTo(index);
    return true;
}

void CFileListView::Tell(const std::string& text) {
    if (m_pHost)
        m_pHost->SetMessageText(text);
}
