#include "shellext/vtlmenu/HostMessageBox.h"

#include "app/res/Icons.h"
#include "app/res/resource.h"
#include "platform/ui/MessageBox.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

namespace vtlmenu {

namespace {

bool HasDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return true;
    }
    return false;
}

} // namespace

void ShowHostMessage(const char* caption, const char* text) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
    if (!HasDisplay())
        return;
    // The application object lives for this one message only: most runs show none, and one
    // that outlived main would be torn down after Qt's own statics.
    // The box is Vantrel's, in its title, its window class and its icon, not the helper's.
    int argc = 1;
    char name[] = "vantrel";
    char* argv[] = {name, nullptr};
    // A display that cannot be reached falls back to no window instead of ending the program.
    setenv("QT_QPA_PLATFORM", "wayland;xcb;offscreen", 0);
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
