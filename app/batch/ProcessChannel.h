#pragma once
// CProcessChannel: the sink through which a pass reaches its progress dialog.
//
// Worker side (any thread of the pass): Step and Done post WM_PROCESS_STEP and WM_PROCESS_DONE
// to the dialog (Step keeps the status line for it first, Done the result); Ask has the dialog's
// thread ask a question and waits for the answer; IsStopping says the dialog has ended. Dialog side
// (user-interface thread): Open before the pass starts, Stop once the dialog has ended, Status on
// WM_PROCESS_STEP, TakeResult on WM_PROCESS_DONE (or, for a run that was stopped, once the worker
// has been joined). From Stop on, posts are dropped, a question being asked or asked later is
// answered CONFIRM_NONE at once, and the dialog object may go away as soon as the worker has been
// joined. Every post happens under the channel's lock and only while it is open, so no event is
// queued for a dialog that is being destroyed.
#include "app/batch/PassSink.h"
#include "platform/ui/Message.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>

class QObject;

constexpr plat::UINT WM_PROCESS_STEP = plat::WM_USER + 101; // wParam: the file's index
constexpr plat::UINT WM_PROCESS_DONE = plat::WM_USER + 102;

class CProcessChannel final : public IPassSink {
  public:
    // Shows one question on the dialog's thread and returns the answer code.
    using Asker = std::function<int(const std::string& file, const std::string& question)>;

    CProcessChannel(QObject* dialog, Asker asker);

    void Step(std::size_t index, const std::string& status) override;
    int Ask(const std::string& file, const std::string& question) override;
    bool IsStopping() const override;
    void Done(PassResult result) override;

    void Open();
    void Stop();
    std::string Status() const;
    PassResult TakeResult();

  private:
    void Post(plat::UINT message, plat::WPARAM wParam);

    QObject* const m_pDialog;
    const Asker m_asker;
    mutable std::mutex m_lock;
    std::condition_variable m_answered;
    bool m_bStopped = true;
    std::string m_strStatus;
    PassResult m_result;
};
