#pragma once
// CFileProgressDialog: the progress of a copy or move: which file goes from where to where, a
// bar over the bytes of the whole operation and a Cancel button. It appears only once the
// operation has run for its delay, and only when the operation reports progress, never while
// a question of the operation is open. While it is up, each report lets the event loop run,
// so it paints and sees Cancel, Esc and its close box, which all cancel.
//
// Used by CFileOperation on the user-interface thread; it is modal to the whole application
// while it is up, so nothing else changes under the operation.
#include "platform/ui/Dialog.h"
#include "platform/ui/ProgressCtrl.h"

#include <QElapsedTimer>

#include <string>

namespace plat {

class CFileProgressDialog : public CDialog {
  public:
    // The bar runs from 0 to kRange.
    static constexpr int kRange = 10000;

    CFileProgressDialog(QWidget* owner, const std::string& caption, int delayMilliseconds);

    void SetText(const std::string& text);
    void SetPos(int pos);
    // The operation waited for the user: that time does not count towards the delay.
    void RestartDelay() { m_started.restart(); }
    bool Cancelled() const { return HasEnded(); }

  private:
    CProgressCtrl m_ctrlProgress;
    QElapsedTimer m_started;
    int m_nDelay;
};

} // namespace plat
