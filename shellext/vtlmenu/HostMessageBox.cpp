#include "shellext/vtlmenu/HostMessageBox.h"

#include "platform/ui/MessageBox.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <memory>

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

// The application object, made on the first message only: most runs show none. Null when no
// windowing system could be reached.
QApplication* Application() {
    static int argc = 1;
    static char name[] = "vtlmenu";
    static char* argv[] = {name, nullptr};
    static std::unique_ptr<QApplication> app;
    if (!app) {
        // A display that cannot be reached falls back to no window instead of ending the program.
        setenv("QT_QPA_PLATFORM", "wayland;xcb;offscreen", 0);
        app = std::make_unique<QApplication>(argc, argv);
    }
    const QString platform = QGuiApplication::platformName();
    return platform == "offscreen" || platform == "minimal" ? nullptr : app.get();
}

} // namespace

void ShowHostMessage(const char* caption, const char* text) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
    if (!HasDisplay())
        return;
    if (QApplication* app = Application()) {
        app->setApplicationDisplayName(QString::fromUtf8(caption));
        plat::AfxMessageBox(text, plat::MB_OK | plat::MB_ICONEXCLAMATION);
    }
}

} // namespace vtlmenu
