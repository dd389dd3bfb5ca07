#pragma once
// The application's icons (IDR_ ids of resource.h), drawn as SVG and PNG under app/res/icons/
// and compiled into the program. Called on the user-interface thread.
#include <QIcon>

// The icon with this id; a null icon for an id that has none.
QIcon LoadIcon(int id);
// The picture file (a compiled-in resource) of the icon with this id; "" for an id that has none.
QString IconFile(int id);
