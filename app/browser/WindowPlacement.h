#pragma once
// Where the main window opens for its stored placement (the layout's "windowplace"), without a
// window: tests and the main window call these with the screens' free areas.
//
// A stored placement may come from another screen set-up, or from a settings file someone
// edited. A window that lies wholly on a screen opens where it was; otherwise it is moved onto
// the screen that shows most of it (the primary one when none does), cut to that screen's size
// and, when it had to be cut or lay off every screen, centred there. A size too small to use (or
// negative) becomes the size of a first start.
#include "app/model/AppSetting.h"

#include <QList>
#include <QMargins>
#include <QRect>

// The show states a placement stores.
enum : std::int32_t { SW_SHOWNORMAL = 1, SW_SHOWMINIMIZED = 2, SW_SHOWMAXIMIZED = 3 };

// The stored normal rectangle (left, top, right, bottom; right and bottom just outside) as a
// rectangle; empty when its size is not positive or does not fit.
QRect NormalRect(const WINDOWPLACEMENT& placement);

// The rectangle the window opens with for `stored` on `screens` (their free areas, the primary
// first), both without the window frame, whose `margins` must fit on the screen too (none: not
// known yet, a common frame is assumed). An empty `stored` gives the first start's place: three
// quarters of the primary screen, centred.
QRect FitOnScreens(const QRect& stored, const QList<QRect>& screens, const QMargins& margins);

// What the layout stores when the window closes on a display server that places windows itself
// and tells no position (Wayland): the window's state and size from `now`, kept at the position
// of `stored`, which another session may have saved (at the origin when none is stored).
WINDOWPLACEMENT SizeOnlyPlacement(const WINDOWPLACEMENT& stored, const WINDOWPLACEMENT& now);
