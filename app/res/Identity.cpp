#include "app/res/Identity.h"

#include "app/res/Icons.h"
#include "app/res/StringTable.h"
#include "app/res/resource.h"

#include <QApplication>
#include <QTimer>

void SetApplicationIdentity() {
    QApplication::setApplicationName(QString::fromStdString(LoadString(IDS_APP_TITLE)));
    QApplication::setDesktopFileName(QStringLiteral("vantrel"));
    // A window first needs the icon when it shows, in the first turn of an event loop. Loading
    // it there, with Qt's look through its image plugins, keeps that off the way of the first
    // picture of a run that the file manager handed over.
    QTimer::singleShot(0, [] { QApplication::setWindowIcon(LoadIcon(IDR_MAINFRAME)); });
}
