#include "shellext/vtlmenu/HostMessageBox.h"

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
    int argc = 1;
    char name[] = "vtlmenu";
    char* argv[] = {name, nullptr};
    // A display that cannot be reached falls back to no window instead of ending the program.
    setenv("QT_QPA_PLATFORM", "wayland;xcb;offscreen", 0);
    QApplication app(argc, argv);
    const QString platform = QGuiApplication::platformName();
    if (platform == "offscreen" || platform == "minimal")
        return;
    QApplication::setApplicationDisplayName(QString::fromUtf8(caption));
    plat::AfxMessageBox(text, plat::MB_OK | plat::MB_ICONEXCLAMATION);
}

} // namespace vtlmenu
