#pragma once
// The application's bitmap resources (IDB_ ids of resource.h): small pictures drawn beside
// controls. They are PNG files under app/res/bitmaps/, named by id and compiled into the
// program.
//
// Called on the user-interface thread (pixmaps belong to it).
#include <QPixmap>

// The bitmap with this id; a null pixmap for an id that has none.
QPixmap LoadBitmap(int id);
