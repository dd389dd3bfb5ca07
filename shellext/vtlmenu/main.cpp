// vtlmenu: plays a file manager's part for libVtlExt.so. File managers and tests call it:
//   vtlmenu --menu FILE...        print the menu the handler builds for the files
//   vtlmenu --invoke N FILE...    run the command at offset N on the files
//   vtlmenu --register            register the module and install the file-manager integration
//   vtlmenu --unregister          undo --register
//   vtlmenu --update              rewrite the file managers' menus after the options changed
//   vtlmenu --thunar              add the Thunar actions alone (vtl, at a user's first start)
//   vtlmenu --help | --version
#include "app/model/base/Display.h"
#include "platform/Paths.h"
#include "shellext/vtlmenu/VtlMenu.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr const char* kUsage = "usage: vtlmenu --menu FILE...\n"
                               "       vtlmenu --invoke N FILE...\n"
                               "       vtlmenu --register | --unregister | --update | --thunar\n"
                               "       vtlmenu --help | --version\n";

constexpr const char* kHelp =
    "\n"
    "Plays a file manager's part for Vantrel's menu module, libVtlExt.so, beside it.\n"
    "  --menu FILE...       prints the menu offered on the files, with each command's number\n"
    "  --invoke N FILE...   runs command N on them (0 Resize..., 1 Resize as default\n"
    "                       setting, 2 Resize and mail) and returns once vtl took them\n"
    "  --register           registers the module for you and installs your Dolphin menu\n"
    "                       and Thunar actions\n"
    "  --unregister         undoes --register (run it before removing Vantrel)\n"
    "  --update             rewrites those menus after the options changed\n"
    "  --thunar             adds the Thunar actions alone\n"
    "Exit status: 0 done, 1 refused or failed, 2 usage, 3 no module, 4 no picture.\n"
    "See vtlmenu(1).\n";

int Usage() {
    std::fputs(kUsage, stderr);
    return vtlmenu::EXIT_USAGE;
}

// A menu offset: decimal digits only, at most 0xFFFF.
bool ParseOffset(const std::string& text, unsigned& offset) {
    if (text.empty() || text.size() > 5 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    offset = static_cast<unsigned>(std::stoul(text));
    return offset <= 0xFFFF;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty())
        return Usage();
    if (args.size() == 1 && args[0] == "--help") {
        std::printf("%s%s", kUsage, kHelp);
        return vtlmenu::EXIT_DONE;
    }
    if (args.size() == 1 && args[0] == "--version") {
        std::printf("vtlmenu (Vantrel) %s\n", VTL_VERSION);
        return vtlmenu::EXIT_DONE;
    }
    vtlmenu::CVtlMenu host(plat::GetModuleFileName());
    const std::string& command = args[0];
    if (command == "--menu")
        return host.Menu({args.begin() + 1, args.end()});
    if (command == "--invoke") {
        unsigned offset = 0;
        if (args.size() < 2 || !ParseOffset(args[1], offset))
            return Usage();
        // Each command opens vtl's windows: without a display it would only fail later, with
        // the pictures already handed over.
        if (!CanOpenWindows()) {
            std::fprintf(stderr, "vtlmenu: %s\n", kNeedsDisplayText);
            return vtlmenu::EXIT_FAILED;
        }
        return host.Invoke(offset, {args.begin() + 2, args.end()});
    }
    if (command == "--register" && args.size() == 1)
        return host.Register();
    if (command == "--unregister" && args.size() == 1)
        return host.Unregister();
    if (command == "--update" && args.size() == 1)
        return host.Update();
    if (command == "--thunar" && args.size() == 1)
        return host.AddThunarActions();
    return Usage();
}
