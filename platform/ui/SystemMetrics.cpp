#include "platform/ui/SystemMetrics.h"

#include "platform/ui/DisplayServer.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>
#include <utility>

namespace plat {

ScreenPixels DesktopPixels(const ScreenReport& report) {
    if (report.outputWidth > 0 && report.outputHeight > 0) {
        if (report.turned)
            return {report.outputHeight, report.outputWidth};
        return {report.outputWidth, report.outputHeight};
    }
    return {static_cast<int>(std::lround(report.logicalWidth * report.ratio)),
            static_cast<int>(std::lround(report.logicalHeight * report.ratio))};
}

int GetSystemMetrics(int index) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return 0;
    ScreenReport report;
    report.logicalWidth = screen->size().width();
    report.logicalHeight = screen->size().height();
    report.ratio = screen->devicePixelRatio();
    if (const std::optional<OutputMode> mode = PrimaryOutputMode(*screen)) {
        report.outputWidth = mode->width;
        report.outputHeight = mode->height;
        report.turned = mode->turned;
    }
    const ScreenPixels pixels = DesktopPixels(report);
    switch (index) {
    case SM_CXSCREEN:
        return pixels.cx;
    case SM_CYSCREEN:
        return pixels.cy;
    default:
        return 0;
    }
}

} // namespace plat
