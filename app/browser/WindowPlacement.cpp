#include "app/browser/WindowPlacement.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace {

// Smaller than this, a window has no room for its panes.
constexpr QSize kSmallestUsable(320, 240);
// The frame of a window that the system does not measure before the window is shown: a title
// bar and borders of a common size, so that a window moved onto a screen keeps its title bar
// there.
constexpr QMargins kCommonFrame(8, 32, 8, 8);

bool Usable(const QSize& size) {
    return size.width() >= kSmallestUsable.width() && size.height() >= kSmallestUsable.height();
}

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
    // Where the user left it, when all of it is on one screen.
    const QRect framed = stored.marginsAdded(margins);
    if (Usable(stored.size()) && std::any_of(screens.begin(), screens.end(),
                                             [&](const QRect& s) { return s.contains(framed); }))
        return stored;

    // Otherwise onto the screen that shows most of it, or the primary one.
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
    const QRect area =
        (home ? *home : screens.front()).marginsRemoved(margins.isNull() ? kCommonFrame : margins);
    const QSize size = Usable(stored.size()) ? stored.size() : area.size() * 3 / 4;
    QRect placed(stored.topLeft(), size.boundedTo(area.size()));
    if (!home || placed.size() != stored.size()) {
        placed.moveCenter(area.center());
        return placed;
    }
    placed.moveLeft(std::clamp(placed.left(), area.left(), area.right() + 1 - placed.width()));
    placed.moveTop(std::clamp(placed.top(), area.top(), area.bottom() + 1 - placed.height()));
    return placed;
}

WINDOWPLACEMENT SizeOnlyPlacement(const WINDOWPLACEMENT& stored, const WINDOWPLACEMENT& now) {
    const QRect size = NormalRect(now);
    const QRect place = NormalRect(stored);
    if (size.isEmpty())
        return stored;
    WINDOWPLACEMENT kept = now;
    // With no place stored the size alone is worth keeping; it goes at the origin.
    const QPoint corner = place.isEmpty() ? QPoint(0, 0) : place.topLeft();
    kept.rcNormalPositionLeft = corner.x();
    kept.rcNormalPositionTop = corner.y();
    kept.rcNormalPositionRight = corner.x() + size.width();
    kept.rcNormalPositionBottom = corner.y() + size.height();
    return kept;
}
