#include "shellext/vtlmenu/HostMessageBox.h"

#include "app/model/base/Display.h"
#include "app/res/Icons.h"
#include "app/res/resource.h"
#include "platform/ui/MessageBox.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

namespace vtlmenu {

void ShowHostMessage(const char* caption, const char* text) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
    if (!HasDisplay())
        return;
    // The application object lives for this one message only: most runs show none, and one
    // that outlived main would be torn down after Qt's own statics.
    // The box is Vantrel's, in its title, its window class and its icon, not the helper's.
    // A display that cannot be reached falls back to no window instead of ending the program,
    // unless the person chose a platform (QT_QPA_PLATFORM). Said on the command line Qt reads,
    // not in the environment, which stays as the program found it.
    char name[] = "vantrel";
    char option[] = "-platform";
    char platforms[] = "wayland;xcb;offscreen";
    char* argv[] = {name, option, platforms, nullptr};
    const char* chosen = std::getenv("QT_QPA_PLATFORM");
    int argc = chosen && *chosen ? 1 : 3;
    QApplication app(argc, argv);
    const QString platform = QGuiApplication::platformName();
    if (platform == "offscreen" || platform == "minimal")
        return;
    QApplication::setApplicationName(QString::fromUtf8(caption));
    QApplication::setApplicationDisplayName(QString::fromUtf8(caption));
    QApplication::setDesktopFileName(QStringLiteral("vantrel"));
    QApplication::setWindowIcon(LoadIcon(IDR_MAINFRAME));
    plat::AfxMessageBox(text, plat::MB_OK | plat::MB_ICONEXCLAMATION);
}

} // namespace vtlmenu
