#include "app/batch/DlgProcess.h"

#include "app/batch/DlgConfirm.h"
#include "app/batch/ReadInfoPass.h"
#include "app/batch/ResizeJob.h"
#include "app/batch/ResizeRules.h"
#include "app/core/AppSetting.h"
#include "app/res/Dialogs.h"
#include "app/res/resource.h"
#include "platform/ui/DialogBuilder.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/SystemMetrics.h"

namespace {

// A message box taller than the screen helps nobody: the list stops after this many paths.
constexpr std::size_t kFailuresListed = 20;

} // namespace

CDlgProcess::CDlgProcess(QWidget* parent)
    : CDialog(ProcessDialogTemplate(), parent),
      m_channel(this, [this](const std::string& file, const std::string& question) {
          return AskOnDialogThread(file, question);
      }) {}

CDlgProcess::~CDlgProcess() { StopWorker(); }

int CDlgProcess::DoModal() {
    m_failures.clear();
    m_channel.Open();
    const int result = CDialog::DoModal();
    StopWorker();
    return result;
}

void CDlgProcess::DoDataExchange(plat::CDataExchange* pDX) {
    plat::DDX_Control(pDX, IDC_PROGRESS, m_ctrlProgress);
    plat::DDX_Text(pDX, IDC_TEXT, m_strText);
}

bool CDlgProcess::OnInitDialog() {
    CDialog::OnInitDialog();
    CAppSetting* app = GetAppSetting();
    m_ctrlProgress.SetRange(0, static_cast<int>(app->m_listFiles.size()));
    // The desktop's size is read here, on the thread that owns the screens.
    m_nScreenWidth = plat::GetSystemMetrics(plat::SM_CXSCREEN);
    m_nScreenHeight = plat::GetSystemMetrics(plat::SM_CYSCREEN);
    if (m_nMode == PROCESS_READ) {
        SetWindowText("Reading Pictures Information");
        m_worker = std::thread([this] { ReadInfoThreadProc(this); });
    } else if (m_nMode == PROCESS_RESIZE) {
        SetWindowText("Resizing Pictures");
        m_worker = std::thread([this] { ResizeThreadProc(this); });
    }
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
        m_strText = GetAppSetting()->GetStatus();
        UpdateData(false);
    } else if (message == WM_PROCESS_DONE) {
        m_channel.Stop();
        ShowFailures();
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

void CDlgProcess::ShowFailures() const {
    if (m_failures.empty())
        return;
    std::string text = std::to_string(m_failures.size()) +
                       (m_failures.size() == 1 ? " picture could not be resized:" : " pictures could not be resized:");
    for (std::size_t i = 0; i < m_failures.size() && i < kFailuresListed; ++i)
        text += "\n" + m_failures[i];
    if (m_failures.size() > kFailuresListed)
        text += "\n... and " + std::to_string(m_failures.size() - kFailuresListed) + " more";
    plat::AfxMessageBox(text, plat::MB_OK | plat::MB_ICONEXCLAMATION);
}

std::int32_t CDlgProcess::CalcNewWidth() const {
    return CalcTargetWidth(GetAppSetting()->m_resize, m_nWidth, m_nHeight, m_nScreenWidth,
                           m_nScreenHeight);
}

std::int32_t CDlgProcess::CalcNewHeight() const {
    return CalcTargetHeight(GetAppSetting()->m_resize, m_nWidth, m_nHeight, m_nScreenWidth,
                            m_nScreenHeight);
}

void CDlgProcess::Post(plat::UINT message, plat::WPARAM wParam, plat::LPARAM lParam) {
    m_channel.Post(message, wParam, lParam);
}

int CDlgProcess::Ask(const std::string& file, const std::string& question) {
    return m_channel.Ask(file, question);
}

bool CDlgProcess::IsStopping() const { return m_channel.IsStopped(); }

std::pair<std::int32_t, std::int32_t> CDlgProcess::TargetSizeOf(std::int32_t w, std::int32_t h) {
    const std::lock_guard<std::mutex> hold(m_sizeLock);
    m_nWidth = w;
    m_nHeight = h;
    return {CalcNewWidth(), CalcNewHeight()};
}

void CDlgProcess::SetFailures(std::vector<std::string> paths) { m_failures = std::move(paths); }
