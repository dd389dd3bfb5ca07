#include "platform/ui/Message.h"

#include <QCoreApplication>

namespace plat {

CMessageEvent::CMessageEvent(UINT message_, WPARAM wParam_, LPARAM lParam_)
    : QEvent(EventType()), message(message_), wParam(wParam_), lParam(lParam_) {}

QEvent::Type CMessageEvent::EventType() {
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void PostMessage(QObject* target, UINT message, WPARAM wParam, LPARAM lParam) {
    QCoreApplication::postEvent(target, new CMessageEvent(message, wParam, lParam));
}

LRESULT SendMessage(QObject* target, UINT message, WPARAM wParam, LPARAM lParam) {
    CMessageEvent event(message, wParam, lParam);
    QCoreApplication::sendEvent(target, &event);
    return event.result;
}

} // namespace plat
