// vtlmenu: plays a file manager's part for libVtlExt.so. File managers and tests call it:
//   vtlmenu --menu FILE...        print the menu the handler builds for the files
//   vtlmenu --invoke N FILE...    run the command at offset N on the files
//   vtlmenu --register            register the module and install the file-manager integration
//   vtlmenu --unregister          undo --register
//   vtlmenu --update              rewrite the file managers' menus after the options changed
#include "platform/Paths.h"
#include "shellext/vtlmenu/VtlMenu.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

int Usage() {
    std::fprintf(stderr, "usage: vtlmenu --menu FILE...\n"
                         "       vtlmenu --invoke N FILE...\n"
                         "       vtlmenu --register\n"
                         "       vtlmenu --unregister\n"
                         "       vtlmenu --update\n");
    return vtlmenu::EXIT_USAGE;
}

// A menu offset: decimal digits only, at most 0xFFFF.
bool ParseOffset(const std::string& text, unsigned& offset) {
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    offset = static_cast<unsigned>(std::stoul(text));
    return offset <= 0xFFFF;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty())
        return Usage();
    vtlmenu::CVtlMenu host(plat::GetModuleFileName());
    const std::string& command = args[0];
    if (command == "--menu")
        return host.Menu({args.begin() + 1, args.end()});
    if (command == "--invoke") {
        unsigned offset = 0;
        if (args.size() < 2 || !ParseOffset(args[1], offset))
            return Usage();
        return host.Invoke(offset, {args.begin() + 2, args.end()});
    }
    if (command == "--register" && args.size() == 1)
        return host.Register();
    if (command == "--unregister" && args.size() == 1)
        return host.Unregister();
    if (command == "--update" && args.size() == 1)
        return host.Update();
    return Usage();
}
