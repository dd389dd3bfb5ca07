#include "app/res/Bitmaps.h"

#include <QString>

QPixmap LoadBitmap(int id) { return QPixmap(QStringLiteral(":/bitmaps/%1.png").arg(id)); }
