#include "app/batch/DlgProcess.h"

#include "app/batch/DlgConfirm.h"
#include "app/batch/MailPictures.h"
#include "app/batch/ReadInfoPass.h"
#include "app/batch/ResizeJob.h"
#include "app/batch/RunNotice.h"
#include "app/model/AppSetting.h"
#include "app/res/Dialogs.h"
#include "app/res/resource.h"
#include "platform/ui/DialogBuilder.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/StopSignals.h"
#include "platform/ui/SystemMetrics.h"

namespace {

// A message box taller than the screen helps nobody: the list stops after this many paths.
constexpr std::size_t kFailuresListed = 20;

} // namespace

CDlgProcess::CDlgProcess(QWidget* parent)
    : CDialog(ProcessDialogTemplate(), parent, BuildLater{}),
      m_channel(this, [this](const std::string& file, const std::string& question) {
          return AskOnDialogThread(file, question);
      }) {}

CDlgProcess::~CDlgProcess() {
    StopWorker();
}

int CDlgProcess::DoModal() {
    m_channel.Open();
    // A stop signal (a logout, a kill, Ctrl+C) cancels the run as Cancel does; once the pass
    // has let go of its files, the process ends.
    plat::CStopSignals stopSignals([this] { OnCancel(); });
    m_started = std::chrono::steady_clock::now();
    // The pass starts before the window is made, which takes a few milliseconds of font
    // loading; what it posts waits in the queue until the window takes it.
    StartPass();
    const int result = CDialog::DoModal();
    StopWorker();
    if (m_nMode == PROCESS_RESIZE && m_bMail)
        ListMailFiles(result == plat::IDOK ? m_outputs : m_channel.TakeResult().outputs);
    if (m_bMail && result != plat::IDOK)
        DiscardMailFiles();
    stopSignals.EndProcessIfStopped();
    return result;
}

void CDlgProcess::DoDataExchange(plat::CDataExchange* pDX) {
    plat::DDX_Control(pDX, IDC_PROGRESS, m_ctrlProgress);
    plat::DDX_Text(pDX, IDC_TEXT, m_strText);
}

void CDlgProcess::StartPass() {
    CAppSetting* app = GetAppSetting();
    if (m_nMode == PROCESS_READ) {
        m_worker = std::thread([this, app] { ReadInfoThreadProc(m_channel, *app); });
    } else if (m_nMode == PROCESS_RESIZE) {
        // The desktop's size is read here, on the thread that owns the screens.
        const ResizeRun run{m_bMail != 0, plat::GetSystemMetrics(plat::SM_CXSCREEN),
                            plat::GetSystemMetrics(plat::SM_CYSCREEN)};
        m_worker = std::thread([this, setting = app->m_resize, files = app->m_listFiles, run] {
            ResizeThreadProc(m_channel, setting, files, run);
        });
    }
}

bool CDlgProcess::OnInitDialog() {
    CDialog::OnInitDialog();
    m_ctrlProgress.SetRange(0, static_cast<int>(GetAppSetting()->m_listFiles.size()));
    if (m_nMode == PROCESS_READ)
        SetWindowText("Reading Pictures Information");
    else if (m_nMode == PROCESS_RESIZE)
        SetWindowText("Resizing Pictures");
    return true;
}

void CDlgProcess::OnCancel() {
    m_channel.Stop();
    if (m_pOpenQuestion)
        m_pOpenQuestion->EndDialog(plat::IDCANCEL);
    CDialog::OnCancel();
}

void CDlgProcess::OnCommand(int id, int code) {
    // The template has no OK button; only the end of the pass ends the dialog with IDOK.
    if (id == plat::IDOK)
        return;
    CDialog::OnCommand(id, code);
}

plat::LRESULT CDlgProcess::OnMessage(plat::UINT message, plat::WPARAM wParam, plat::LPARAM) {
    if (HasEnded())
        return 0;
    if (message == WM_PROCESS_STEP) {
        if (!m_ctrlProgress.GetSafeHwnd())
            return 0;
        m_ctrlProgress.SetPos(static_cast<int>(wParam));
        m_strText = m_channel.Status();
        UpdateData(false);
    } else if (message == WM_PROCESS_DONE) {
        m_channel.Stop();
        const PassResult result = m_channel.TakeResult();
        m_nWidth = result.nWidth;
        m_nHeight = result.nHeight;
        m_nXDpi = result.nXDpi;
        m_nYDpi = result.nYDpi;
        m_nWritten = result.nWritten;
        m_outputs = result.outputs;
        if (m_nMode == PROCESS_RESIZE)
            NotifyRunEnded(
                {std::chrono::duration_cast<std::chrono::milliseconds>(
                     std::chrono::steady_clock::now() - m_started),
                 result.nWritten, result.failures,
                 OutputFolders(m_outputs, m_bMail && !GetAppSetting()->m_resize.bOverwrite)});
        ShowFailures(result.failures);
        OnOK();
    }
    return 0;
}

int CDlgProcess::AskOnDialogThread(const std::string& file, const std::string& question) {
    if (HasEnded())
        return CONFIRM_NONE;
    CDlgConfirm confirm(this, file);
    confirm.m_strQuestion = question;
    m_pOpenQuestion = &confirm;
    confirm.DoModal();
    m_pOpenQuestion = nullptr;
    return HasEnded() ? CONFIRM_NONE : confirm.m_nResult;
}

void CDlgProcess::StopWorker() {
    m_channel.Stop();
    if (m_worker.joinable())
        m_worker.join();
}

void CDlgProcess::ListMailFiles(const std::vector<ResizeOutput>& outputs) {
    // Written or not, each path may hold a file of the run's private folder to discard later;
    // over the sources (bOverwrite) there are none.
    std::vector<std::string>& mail = GetAppSetting()->m_listMailFiles;
    mail.clear();
    if (GetAppSetting()->m_resize.bOverwrite)
        return;
    for (const ResizeOutput& output : outputs)
        if (!output.path.empty())
            mail.push_back(output.path);
}

void CDlgProcess::ShowFailures(const std::vector<std::string>& failures) {
    if (failures.empty())
        return;
    std::string text = std::to_string(failures.size()) + (failures.size() == 1
                                                              ? " picture could not be resized:"
                                                              : " pictures could not be resized:");
    for (std::size_t i = 0; i < failures.size() && i < kFailuresListed; ++i)
        text += "\n" + failures[i];
    if (failures.size() > kFailuresListed)
        text += "\n... and " + std::to_string(failures.size() - kFailuresListed) + " more";
    plat::AfxMessageBox(text, plat::MB_OK | plat::MB_ICONEXCLAMATION);
}
