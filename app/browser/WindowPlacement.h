#pragma once
// Where the main window opens for its stored placement (the layout's "windowplace"), without a
// window: tests and the main window call these with the screens' free areas.
//
// A stored placement may come from another screen set-up, or from a settings file someone
// edited: a rectangle that lies off every screen opens centred on the primary screen, one larger
// than its screen is cut to it and moved inside it, and one with a size too small to use (or
// negative) opens at the size a first start has.
#include "app/core/AppSetting.h"

#include <QList>
#include <QMargins>
#include <QRect>

// The show states a placement stores.
enum : std::int32_t { SW_SHOWNORMAL = 1, SW_SHOWMINIMIZED = 2, SW_SHOWMAXIMIZED = 3 };

// The stored normal rectangle (left, top, right, bottom; right and bottom just outside) as a
// rectangle; empty when its size is not positive or does not fit.
QRect NormalRect(const WINDOWPLACEMENT& placement);

// The rectangle the window opens with for `stored` on `screens` (their free areas, the primary
// first), both without the window frame, whose `margins` must fit on the screen too. An empty
// `stored` gives the first start's place: three quarters of the primary screen, centred.
QRect FitOnScreens(const QRect& stored, const QList<QRect>& screens, const QMargins& margins);
