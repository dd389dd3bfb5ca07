#include "app/res/Icons.h"

#include "app/res/resource.h"

QString IconFile(int id) {
    return id == IDR_MAINFRAME ? QStringLiteral(":/icons/vantrel.png") : QString();
}

QIcon LoadIcon(int id) {
    const QString file = IconFile(id);
    return file.isEmpty() ? QIcon() : QIcon(file);
}
