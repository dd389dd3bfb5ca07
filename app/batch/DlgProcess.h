#pragma once
// CDlgProcess: the progress dialog (template 154 "Process") that carries one pass over
// m_listFiles of the settings: the reading pass (m_nMode PROCESS_READ, caption "Reading
// Pictures Information") or the resize job (PROCESS_RESIZE, caption "Resizing Pictures"; with
// m_bMail the outputs are collected for mailing). Another mode keeps the caption "Process" and
// runs nothing. The bar runs over 0 .. N for N files and stands at i while file i is worked on;
// the status line under it is the one the pass wrote. DoModal ends with IDOK when the pass has
// gone through the list, with IDCANCEL on Cancel, Esc or the close box; SIGTERM, SIGINT and
// SIGHUP cancel the run the same way and then end the process. The outputs of a cancelled
// run with m_bMail are discarded with their private folder. A resize job in which
// some pictures could not be read, placed or written ends with one message listing them
// before the dialog closes; such a job, and one that took long, also ends with a notice on the
// desktop (RunNotice.h).
//
// Callers (user-interface thread): the resize options dialog, the main window's Resize command
// and the shell launch modes. It needs no parent and runs modally from a plain QApplication.
//
// Threads. The rules every pass and handler here keeps:
//  1. The dialog is constructed, shown and destroyed on the user-interface thread. DoModal
//     starts exactly one worker thread for its pass, before it makes the window. A resize job
//     may hand the decoding and encoding of the next picture to one helper thread (two
//     pictures in flight); everything the user sees still happens in file order.
//  2. The pass reaches the dialog only through its sink, the dialog's CProcessChannel, and
//     never touches the dialog object. Progress goes by posted messages only: WM_PROCESS_STEP
//     (wParam = file index) before each file, after the status line for that file was set;
//     WM_PROCESS_DONE once at the end, with the pass's result kept in the channel, which the
//     dialog takes on the user-interface thread (the four picture values, the failures).
//  3. A question is asked through the sink: the user-interface thread shows CDlgConfirm
//     modally (Qt's widgets live on that one thread) while the worker waits for the answer.
//     Questions come in file order, each before that file's output is written.
//  4. The status line is handed over through the channel, under its lock. The resize job
//     works on copies of the settings and the files taken when it starts, and hands back
//     its outputs; with m_bMail the dialog lists them in m_listMailFiles of the settings
//     once the worker has been joined, also for a run that was cancelled.
//  5. When the dialog ends, for whatever reason, it stops the channel: the worker's later
//     posts are dropped, an open question is closed and counts as "No" for its file, no new
//     question is shown, the worker starts no further file, and a picture in flight is not
//     written (its temporary file is removed). DoModal joins the worker and its helpers
//     before it returns, so no thread of the pass outlives the dialog.
#include "app/batch/ProcessChannel.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ProgressCtrl.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

enum : std::int32_t { PROCESS_READ = 1, PROCESS_RESIZE = 2 };

class CDlgConfirm;

class CDlgProcess : public plat::CDialog {
  public:
    explicit CDlgProcess(QWidget* parent = nullptr);
    ~CDlgProcess() override;

    int DoModal() override;

    std::int32_t m_nWidth = 0;
    std::int32_t m_nHeight = 0;
    std::int32_t m_nXDpi = 0;
    std::int32_t m_nYDpi = 0;
    // After a resize job: how many outputs it wrote.
    std::size_t m_nWritten = 0;
    std::int32_t m_bMail = 0;
    std::int32_t m_nMode = 0;
    plat::CProgressCtrl m_ctrlProgress;
    std::string m_strText;

  protected:
    void DoDataExchange(plat::CDataExchange* pDX) override;
    bool OnInitDialog() override;
    void OnCancel() override;
    void OnCommand(int id, int code) override;
    plat::LRESULT OnMessage(plat::UINT message, plat::WPARAM wParam, plat::LPARAM lParam) override;
    bool WaitsForPerson() const override { return false; }

  private:
    void StartPass();
    int AskOnDialogThread(const std::string& file, const std::string& question);
    void StopWorker();
    static void ListMailFiles(const std::vector<ResizeOutput>& outputs);
    static void ShowFailures(const std::vector<std::string>& failures);

    CProcessChannel m_channel;
    std::thread m_worker;
    std::vector<ResizeOutput> m_outputs;
    CDlgConfirm* m_pOpenQuestion = nullptr;
    std::chrono::steady_clock::time_point m_started;
};
