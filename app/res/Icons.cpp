#include "app/res/Icons.h"

#include "app/res/resource.h"

QIcon LoadIcon(int id) {
    if (id == IDR_MAINFRAME)
        return QIcon(QStringLiteral(":/icons/vantrel.png"));
    return {};
}
