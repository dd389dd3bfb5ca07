#include "app/batch/ProcessChannel.h"

#include <QMetaObject>
#include <QObject>

#include <memory>
#include <utility>

namespace {

struct Question {
    std::string file;
    std::string question;
    bool answered = false;
    int answer = CONFIRM_NONE;
};

} // namespace

CProcessChannel::CProcessChannel(QObject* dialog, Asker asker)
    : m_pDialog(dialog), m_asker(std::move(asker)) {}

void CProcessChannel::Step(std::size_t index, const std::string& status) {
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        m_strStatus = status;
    }
    Post(WM_PROCESS_STEP, index);
}

std::string CProcessChannel::Status() const {
    const std::lock_guard<std::mutex> hold(m_lock);
    return m_strStatus;
}

void CProcessChannel::Done(PassResult result) {
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        m_result = std::move(result);
    }
    Post(WM_PROCESS_DONE, 0);
}

void CProcessChannel::Post(plat::UINT message, plat::WPARAM wParam) {
    const std::lock_guard<std::mutex> hold(m_lock);
    if (!m_bStopped)
        plat::PostMessage(m_pDialog, message, wParam, 0);
}

int CProcessChannel::Ask(const std::string& file, const std::string& question) {
    auto asked = std::make_shared<Question>();
    asked->file = file;
    asked->question = question;
    std::unique_lock<std::mutex> hold(m_lock);
    if (m_bStopped)
        return CONFIRM_NONE;
    QMetaObject::invokeMethod(
        m_pDialog,
        [this, asked] {
            const int answer = m_asker(asked->file, asked->question);
            const std::lock_guard<std::mutex> done(m_lock);
            asked->answer = answer;
            asked->answered = true;
            m_answered.notify_all();
        },
        Qt::QueuedConnection);
    m_answered.wait(hold, [&] { return asked->answered || m_bStopped; });
    return asked->answered ? asked->answer : CONFIRM_NONE;
}

bool CProcessChannel::IsStopping() const {
    const std::lock_guard<std::mutex> hold(m_lock);
    return m_bStopped;
}

void CProcessChannel::Open() {
    const std::lock_guard<std::mutex> hold(m_lock);
    m_bStopped = false;
    m_strStatus.clear();
    m_result = PassResult{};
}

void CProcessChannel::Stop() {
    const std::lock_guard<std::mutex> hold(m_lock);
    m_bStopped = true;
    m_answered.notify_all();
}

PassResult CProcessChannel::TakeResult() {
    const std::lock_guard<std::mutex> hold(m_lock);
    return std::exchange(m_result, PassResult{});
}
