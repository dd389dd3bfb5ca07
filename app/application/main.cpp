// vtl: the application. What the process needs of its environment and allocator is set first,
// while it has one thread; then the settings object, as it holds what every later part reads;
// then the Qt application and the application object, whose InitInstance either runs a command
// handed over by the file manager or opens the picture browser.
#include "app/application/VantrelApp.h"
#include "app/model/AppSetting.h"
#include "app/res/Identity.h"
#include "image/ProcessSettings.h"
#include "platform/ui/ThemeStyle.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kHelp =
    "Usage: vtl [FOLDER | PICTURE...]\n"
    "Resizes, rotates, re-encodes and mails batches of pictures.\n"
    "\n"
    "  vtl               opens the picture browser where it was last\n"
    "  vtl FOLDER        opens it at FOLDER\n"
    "  vtl PICTURE...    opens it at the first picture's folder, the pictures marked\n"
    "  --help            prints this help\n"
    "  --version         prints the version\n"
    "\n"
    "The file managers' Vantrel menu (vtlmenu --invoke) starts vtl with the pictures\n"
    "handed over, and vtl runs the command without its main window. See vtl(1).\n";

} // namespace

int main(int argc, char** argv) {
    // Answered before anything is read or shown: they need neither settings nor a display.
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("vtl (Vantrel) %s\n", VTL_VERSION);
        return 0;
    }

    vtlimage::PrepareProcess();
    GetAppSetting();

    QApplication qapp(argc, argv);
    SetApplicationIdentity();
    plat::UseThemeStyle();

    // The arguments as the system gave them, once Qt has taken its own options out.
    CVantrelApp app(std::vector<std::string>(argv + 1, argv + argc));
    int code = 0;
    if (app.InitInstance() && app.HasMainWindow())
        code = QApplication::exec();
    const int exitCode = app.ExitInstance();
    return code ? code : exitCode;
}
