#pragma once
// The application's bitmap resources (IDB_ ids of resource.h): small pictures drawn beside
// controls. They are PNG files under app/res/bitmaps/, named by id and compiled into the
// program, each also drawn at twice its size (<id>@2x.png), so that scaled screens show them
// crisp rather than blurred.
//
// Called on the user-interface thread (pixmaps belong to it).
#include <QPixmap>

// The bitmap with this id for a screen of this device pixel ratio: above 1, the version at
// twice the size, with a ratio of 2, so that it covers the same logical size. A null pixmap for
// an id that has none.
QPixmap LoadBitmap(int id, double ratio = 1.0);
