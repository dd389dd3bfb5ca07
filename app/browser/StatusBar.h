#pragma once
// CStatusBar: the main window's status bar. Its first pane shows a command's prompt while the
// command's menu item is highlighted or its button is under the mouse (a temporary message over
// it), and otherwise the message the window last set (SetMessage), or the idle text "Ready". The
// other panes are the key indicators "CAP", "NUM" and "SCRL", each lit while its lock is on and
// greyed while it is off or the system cannot tell (plat::GetKeyLockState, with the X display the
// program runs on, if any). The indicators are read again four times a second, as a frame updates
// them while it is idle.
//
// Made by the main window; used on the user-interface thread.
#include <QStatusBar>
#include <QTimer>

#include <string>
#include <utility>
#include <vector>

class QLabel;

// The message pane in a list of panes.
constexpr int ID_SEPARATOR = 0;

class CStatusBar : public QStatusBar {
  public:
    explicit CStatusBar(QWidget* parent);

    // The panes, in order: ID_SEPARATOR for the message pane, or the string id of a key
    // indicator (IDS_INDICATOR_CAPS, IDS_INDICATOR_NUM, IDS_INDICATOR_SCRL). False for an id
    // that names no pane.
    bool SetIndicators(const std::vector<int>& ids);
    // The message pane's text; "" for the idle text.
    void SetMessage(const std::string& text);

  private:
    void UpdateIndicators();

    QLabel* m_pMessage = nullptr;
    std::vector<std::pair<QLabel*, int>> m_indicators; // the pane and its lock key
    QTimer m_timer;
};
