// vtl: the application. `vtl resize` runs the resize job for scripts and goes no further: no
// settings object, no Qt application, no display needed. Otherwise, what the process needs of its
// environment and allocator is set first, while it has one thread; then the settings object, as it
// holds what every later part reads; then the Qt application and the application object, whose
// InitInstance either runs a command handed over by the file manager or opens the picture browser.
#include "app/application/ResizeCommand.h"
#include "app/application/VantrelApp.h"
#include "app/model/AppSetting.h"
#include "app/model/base/Display.h"
#include "app/res/Identity.h"
#include "image/ProcessSettings.h"
#include "platform/ui/ThemeStyle.h"

#include <QApplication>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kHelp =
    "Usage: vtl [FOLDER | PICTURE...]\n"
    "       vtl resize [OPTIONS] FILE|FOLDER...\n"
    "Resizes, rotates, re-encodes and mails batches of pictures.\n"
    "\n"
    "  vtl               opens the picture browser where it was last\n"
    "  vtl FOLDER        opens it at FOLDER (\"vtl ./resize\" for a folder named resize)\n"
    "  vtl PICTURE...    opens it at the first picture's folder, the pictures marked\n"
    "  vtl resize ...    resizes pictures on the command line, without a window or a\n"
    "                    display (\"vtl resize --help\" lists its options)\n"
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
    if (argc >= 2 && std::strcmp(argv[1], "resize") == 0) {
        vtlimage::PrepareProcess();
        return RunResizeCommand(std::vector<std::string>(argv + 2, argv + argc));
    }
    // Qt would abort without a display; a platform chosen on the command line is Qt's to answer.
    const bool platformGiven = std::any_of(argv + 1, argv + argc, [](const char* arg) {
        return std::strncmp(arg, "-platform", 9) == 0;
    });
    if (!CanOpenWindows() && !platformGiven) {
        std::fprintf(stderr, "vtl: %s\n", kNeedsDisplayText);
        return 1;
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
