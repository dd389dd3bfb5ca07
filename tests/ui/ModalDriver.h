#pragma once
// Drives modal dialogs in tests as a person would: waits on the user-interface thread for the
// next modal window to open and then acts on it (reads it, types, clicks). Each modal window is
// handled once; a new dialog opened at the same address still counts as new.
#include <QString>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

namespace vtltest {

// Runs `action` with the next modal window that opens and has not been handled yet (and, when
// `title` is given, carries that title). Returns at once with the timer that watches; the
// action runs later, from the event loop of the dialog. Deleting the timer gives up waiting.
QTimer* OnNextModal(std::function<void(QWidget*)> action, const QString& title = {});

// Runs `action` with every modal window that opens while the returned watcher lives (with
// `once`, only the first, after which the watcher deletes itself).
std::unique_ptr<QTimer> OnEveryModal(std::function<void(QWidget*)> action,
                                     const QString& title = {}, bool once = false);

// Presses the button whose objectName is `name` inside `window` with a mouse click.
void ClickNamed(QWidget* window, const QString& name);

// The text of the child named `name` (label, edit, button or drop-down list).
QString TextOfNamed(QWidget* window, const QString& name);

} // namespace vtltest
