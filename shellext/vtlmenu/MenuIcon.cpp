#include "shellext/vtlmenu/MenuIcon.h"

#include "app/res/Icons.h"
#include "app/res/resource.h"
#include "platform/Paths.h"
#include "platform/ReplaceFile.h"

#include <QFile>

#include <filesystem>

namespace vtlmenu {

std::string MenuIconPath() { return plat::GetUserDataFolder() + "/vantrel/vantrel.png"; }

bool SaveMenuIcon(const std::string& path) {
    QFile icon(IconFile(IDR_MAINFRAME));
    if (!icon.open(QIODevice::ReadOnly))
        return false;
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    return plat::ReplaceFileContents(path, icon.readAll().toStdString(), 0644);
}

} // namespace vtlmenu
