#pragma once
// CStopSignals: while it lives, SIGTERM (a `kill`, the end of a session), SIGINT (Ctrl+C) and
// SIGHUP (a closed terminal, a logout) no longer end the process at once: the first of them
// calls `onStop` on the thread that made the object, from that thread's event loop, so that
// the work under way can stop cleanly. A signal handler may do almost nothing safely, so it
// only writes the signal's number into a pipe that the event loop watches. A signal the
// process was started with ignored stays ignored.
//
// Once the work has stopped, EndProcessIfStopped ends the process as that signal would have
// (its default action, so the parent sees how the process ended). The destructor puts back
// the handling there was before.
//
// One at a time per process; made, used and destroyed on the user-interface thread.
#include <csignal>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace plat {

class CStopSignals {
  public:
    explicit CStopSignals(std::function<void()> onStop);
    ~CStopSignals();
    CStopSignals(const CStopSignals&) = delete;
    CStopSignals& operator=(const CStopSignals&) = delete;

    // Whether a stop signal has arrived, also one not yet seen by the event loop (then `onStop`
    // is called now), for work that does not let the event loop run between its steps.
    bool Stopped();

    // Ends the process when a stop signal has arrived, also one not yet seen by the event loop;
    // returns otherwise.
    void EndProcessIfStopped();

  private:
    static constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

    // Reads what the handler wrote; true when that holds the first signal.
    bool TakeSignals();

    std::function<void()> m_onStop;
    int m_pipe[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> m_notifier;
    struct sigaction m_previous[3] = {};
    bool m_installed[3] = {};
    int m_nReceived = 0;
};

} // namespace plat
