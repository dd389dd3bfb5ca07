// vtl: the application. What the process needs of its environment and allocator is set first,
// while it has one thread; then the settings object, as it holds what every later part reads;
// then the Qt application and the application object, whose InitInstance either runs a command
// handed over by the file manager or opens the picture browser.
#include "app/application/VantrelApp.h"
#include "app/model/AppSetting.h"
#include "app/res/Identity.h"
#include "image/ProcessSettings.h"

#include <QApplication>

int main(int argc, char** argv) {
    vtlimage::PrepareProcess();
    GetAppSetting();

    QApplication qapp(argc, argv);
    SetApplicationIdentity();

    // The arguments as the system gave them, once Qt has taken its own options out.
    CVantrelApp app(std::vector<std::string>(argv + 1, argv + argc));
    int code = 0;
    if (app.InitInstance() && app.HasMainWindow())
        code = QApplication::exec();
    const int exitCode = app.ExitInstance();
    return code ? code : exitCode;
}
