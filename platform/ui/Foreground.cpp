#include "platform/ui/Foreground.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace plat {
namespace {

void Activate(QWidget* window) {
    if (QApplication::activeWindow() == window)
        return;
    window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window->raise();
    window->activateWindow();
}

} // namespace

void BringToFront(QWidget* window) {
    if (window->isVisible()) {
        Activate(window);
        return;
    }
    // A dialog in its initialisation is not shown yet; its modal loop shows it before it runs
    // this.
    QTimer::singleShot(0, window, [guard = QPointer<QWidget>(window)] {
        if (guard && guard->isVisible())
            Activate(guard);
    });
}

} // namespace plat
