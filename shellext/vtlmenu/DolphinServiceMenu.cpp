#include "shellext/vtlmenu/DolphinServiceMenu.h"

#include "app/model/formats/FormatTable.h"
#include "platform/Paths.h"
#include "shellext/vtlmenu/UserDirs.h"

#include <filesystem>

namespace vtlmenu {

namespace {

// One argument of an Exec line: quoted as the desktop entry format asks (", `, $ and \ take
// a backslash inside the quotes, % is doubled), then with every backslash doubled again
// because the whole line is a string value.
std::string ExecArgument(const std::string& arg) {
    std::string quoted = "\"";
    for (const char c : arg) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        if (c == '%')
            quoted += '%';
        quoted += c;
    }
    quoted += '"';
    std::string escaped;
    for (const char c : quoted) {
        if (c == '\\')
            escaped += '\\';
        escaped += c;
    }
    return escaped;
}

// A desktop-file string value stays on one line.
std::string Value(const std::string& text) {
    std::string value;
    for (const char c : text)
        value += c == '\n' ? std::string("\\n") : std::string(1, c);
    return value;
}

} // namespace

std::string CDolphinServiceMenu::Path() {
    return plat::GetUserDataFolder() + "/kio/servicemenus/vantrel.desktop";
}

std::string CDolphinServiceMenu::FolderPath() {
    return plat::GetUserDataFolder() + "/kio/servicemenus/vantrel-folders.desktop";
}

std::string CDolphinServiceMenu::Text(const IntegrationMenu& menu, bool folders) {
    const std::string prefix = folders ? "vantrelfolder" : "vantrel";
    const auto& commands = folders ? menu.folderCommands : menu.commands;
    std::string actions;
    for (const auto& command : commands)
        actions += prefix + std::to_string(command.offset) + ";";
    std::string text = "[Desktop Entry]\n"
                       "Type=Service\n"
                       "X-KDE-ServiceTypes=KonqPopupMenu/Plugin\n"
                       "MimeType=" +
                       (folders ? std::string("inode/directory;") : PictureMimeTypes()) +
                       "\n"
                       "Actions=" +
                       actions +
                       "\n"
                       "X-KDE-Submenu=" +
                       Value(menu.submenu) + "\n";
    if (!menu.iconPath.empty())
        text += "Icon=" + Value(menu.iconPath) + "\n";
    for (const auto& command : commands) {
        text += "\n[Desktop Action " + prefix + std::to_string(command.offset) + "]\n";
        text += "Name=" + Value(command.text) + "\n";
        if (!menu.iconPath.empty())
            text += "Icon=" + Value(menu.iconPath) + "\n";
        text += "Exec=" + ExecArgument(menu.vtlmenuPath) + " --invoke " +
                std::to_string(command.offset) + " %F\n";
    }
    return text;
}

bool CDolphinServiceMenu::Install(const IntegrationMenu& menu) {
    return ReplaceFile(Path(), Text(menu, false), 0755) &&
           ReplaceFile(FolderPath(), Text(menu, true), 0755);
}

bool CDolphinServiceMenu::Remove() {
    bool gone = true;
    for (const std::string& path : {Path(), FolderPath()}) {
        std::error_code ec;
        std::filesystem::remove(path, ec);
        gone = gone && !std::filesystem::exists(path, ec);
    }
    return gone;
}

} // namespace vtlmenu
