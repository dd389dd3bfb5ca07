#include "app/res/Bitmaps.h"

#include <QString>

QPixmap LoadBitmap(int id, double ratio) {
    if (ratio > 1.0) {
        QPixmap twice(QStringLiteral(":/bitmaps/%1@2x.png").arg(id));
        twice.setDevicePixelRatio(2.0);
        if (!twice.isNull())
            return twice;
    }
    return QPixmap(QStringLiteral(":/bitmaps/%1.png").arg(id));
}
