#include "platform/ui/SystemMetrics.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace plat {

int GetSystemMetrics(int index) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return 0;
    const QSize logical = screen->size();
    const double ratio = screen->devicePixelRatio();
    switch (index) {
    case SM_CXSCREEN: return static_cast<int>(std::lround(logical.width() * ratio));
    case SM_CYSCREEN: return static_cast<int>(std::lround(logical.height() * ratio));
    default: return 0;
    }
}

} // namespace plat
