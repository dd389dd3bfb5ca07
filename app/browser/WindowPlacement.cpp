#include "app/browser/WindowPlacement.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace {

// Smaller than this, a window has no room for its panes.
constexpr QSize kSmallestUsable(320, 240);

} // namespace

QRect NormalRect(const WINDOWPLACEMENT& placement) {
    const std::int64_t width =
        std::int64_t{placement.rcNormalPositionRight} - placement.rcNormalPositionLeft;
    const std::int64_t height =
        std::int64_t{placement.rcNormalPositionBottom} - placement.rcNormalPositionTop;
    constexpr std::int64_t most = std::numeric_limits<int>::max() / 2;
    if (width <= 0 || height <= 0 || width > most || height > most ||
        std::abs(std::int64_t{placement.rcNormalPositionLeft}) > most ||
        std::abs(std::int64_t{placement.rcNormalPositionTop}) > most)
        return {};
    return {placement.rcNormalPositionLeft, placement.rcNormalPositionTop, static_cast<int>(width),
            static_cast<int>(height)};
}

QRect FitOnScreens(const QRect& stored, const QList<QRect>& screens, const QMargins& margins) {
    if (screens.isEmpty())
        return stored;
    const QRect framed = stored.marginsAdded(margins);
    // The screen that shows most of the window.
    const QRect* home = nullptr;
    long long most = 0;
    for (const QRect& screen : screens) {
        const QRect shared = screen.intersected(framed);
        const long long area = shared.isEmpty() ? 0 : 1LL * shared.width() * shared.height();
        if (area > most) {
            most = area;
            home = &screen;
        }
    }
    const QRect screen = (home ? *home : screens.front()).marginsRemoved(margins);
    QSize size = stored.size();
    if (size.width() < kSmallestUsable.width() || size.height() < kSmallestUsable.height())
        size = screen.size() * 3 / 4;
    QRect placed(stored.topLeft(), size.boundedTo(screen.size()));
    if (!home || stored.size() != size) {
        placed.moveCenter(screen.center());
        return placed;
    }
    placed.moveLeft(std::clamp(placed.left(), screen.left(), screen.right() + 1 - placed.width()));
    placed.moveTop(std::clamp(placed.top(), screen.top(), screen.bottom() + 1 - placed.height()));
    return placed;
}
