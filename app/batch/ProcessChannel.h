#pragma once
// CProcessChannel: the one way between a pass's worker thread and its progress dialog.
//
// Worker side (any thread of the pass): Post queues a message for the dialog; Ask has the
// dialog's thread ask a question and waits for the answer; IsStopped says the dialog has ended.
// Dialog side (user-interface thread): Stop, once the dialog has ended. From then on posts are
// dropped, a question being asked or asked later is answered CONFIRM_NONE at once, and the
// dialog object may go away as soon as the worker has been joined. Every post happens under
// the channel's lock and only while it is open, so no event is queued for a dialog that is
// being destroyed.
#include "platform/ui/Message.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>

class QObject;

class CProcessChannel {
public:
    // Shows one question on the dialog's thread and returns the answer code.
    using Asker = std::function<int(const std::string& file, const std::string& question)>;

    CProcessChannel(QObject* dialog, Asker asker);

    void Post(plat::UINT message, plat::WPARAM wParam, plat::LPARAM lParam);
    int Ask(const std::string& file, const std::string& question);
    bool IsStopped() const;

    void Open();
    void Stop();

private:
    QObject* const m_pDialog;
    const Asker m_asker;
    mutable std::mutex m_lock;
    std::condition_variable m_answered;
    bool m_bStopped = true;
};
