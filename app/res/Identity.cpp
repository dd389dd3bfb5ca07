#include "app/res/Identity.h"

#include "app/res/Icons.h"
#include "app/res/StringTable.h"
#include "app/res/resource.h"

#include <QApplication>

void SetApplicationIdentity() {
    QApplication::setApplicationName(QString::fromStdString(LoadString(IDS_APP_TITLE)));
    QApplication::setDesktopFileName(QStringLiteral("vantrel"));
    QApplication::setWindowIcon(LoadIcon(IDR_MAINFRAME));
}
