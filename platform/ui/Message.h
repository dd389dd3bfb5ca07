#pragma once
// Window messages with the Windows shape: a number, wParam and lParam, posted to a window and
// handled later on the thread that owns it. Here the window is a QObject and the message
// travels as a CMessageEvent through Qt's event queue.
//
// PostMessage may be called from any thread, as long as the target lives until the call
// returns; the event is handled on the target's thread (for widgets the user-interface thread).
// SendMessage is for the target's own thread: the target handles the message before it returns.
#include <QEvent>

#include <cstdint>

class QObject;

namespace plat {

using UINT = unsigned;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

// The first number free for a program's private messages.
constexpr UINT WM_USER = 0x0400;

class CMessageEvent : public QEvent {
  public:
    CMessageEvent(UINT message, WPARAM wParam, LPARAM lParam);

    // The Qt event type that carries every posted message.
    static QEvent::Type EventType();

    const UINT message;
    const WPARAM wParam;
    const LPARAM lParam;
    // What the handler answers to SendMessage.
    LRESULT result = 0;
};

// Queues the message for the target and returns at once.
void PostMessage(QObject* target, UINT message, WPARAM wParam, LPARAM lParam);
// Hands the message to the target at once and returns its handler's result.
LRESULT SendMessage(QObject* target, UINT message, WPARAM wParam, LPARAM lParam);

} // namespace plat
