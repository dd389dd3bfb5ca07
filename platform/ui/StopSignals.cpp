#include "platform/ui/StopSignals.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace plat {
namespace {

std::atomic<int> g_writeEnd{-1};

void OnStopSignal(int signal) {
    const int savedErrno = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    const int fd = g_writeEnd.load();
    if (fd >= 0 && write(fd, &number, 1) < 0) {
        // A full pipe already holds a signal: nothing is lost.
    }
    errno = savedErrno;
}

} // namespace

CStopSignals::CStopSignals(std::function<void()> onStop) : m_onStop(std::move(onStop)) {
    // Without a pipe the signals keep their default: the process ends at once, as it would.
    if (pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = std::make_unique<QSocketNotifier>(m_pipe[0], QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] {
        if (TakeSignals())
            m_onStop();
    });
    g_writeEnd = m_pipe[1];
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i) {
        if (sigaction(kSignals[i], nullptr, &m_previous[i]) != 0 ||
            m_previous[i].sa_handler == SIG_IGN)
            continue;
        m_installed[i] = sigaction(kSignals[i], &action, nullptr) == 0;
    }
}

CStopSignals::~CStopSignals() {
    for (int i = 0; i < 3; ++i)
        if (m_installed[i])
            sigaction(kSignals[i], &m_previous[i], nullptr);
    g_writeEnd = -1;
    m_notifier.reset();
    for (int fd : m_pipe)
        if (fd >= 0)
            close(fd);
}

bool CStopSignals::TakeSignals() {
    const bool first = m_nReceived == 0;
    unsigned char numbers[16];
    ssize_t n = 0;
    while (m_pipe[0] >= 0 && (n = read(m_pipe[0], numbers, sizeof numbers)) > 0)
        if (m_nReceived == 0)
            m_nReceived = numbers[0];
    return first && m_nReceived != 0;
}

bool CStopSignals::Stopped() {
    if (TakeSignals())
        m_onStop();
    return m_nReceived != 0;
}

void CStopSignals::EndProcessIfStopped() {
    TakeSignals();
    if (m_nReceived == 0)
        return;
    std::signal(m_nReceived, SIG_DFL);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, m_nReceived);
    pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    raise(m_nReceived);
    _exit(128 + m_nReceived); // the default action ends the process; this is never reached
}

} // namespace plat
