#include "shellext/vtlmenu/MenuIcon.h"

#include "app/res/Icons.h"
#include "app/res/resource.h"
#include "platform/Paths.h"
#include "shellext/vtlmenu/UserDirs.h"

#include <QFile>

namespace vtlmenu {

std::string MenuIconPath() {
    return plat::GetUserDataFolder() + "/vantrel/vantrel.png";
}

bool SaveMenuIcon(const std::string& path) {
    QFile icon(IconFile(IDR_MAINFRAME));
    if (!icon.open(QIODevice::ReadOnly))
        return false;
    return ReplaceFile(path, icon.readAll().toStdString(), 0644);
}

} // namespace vtlmenu
