#include "shellext/vtlmenu/MenuIcon.h"

#include "platform/Paths.h"

#include <QImage>

#include <filesystem>

namespace vtlmenu {

std::string MenuIconPath() { return plat::GetUserDataFolder() + "/vantrel/vantrel-menu.png"; }

bool SaveMenuIcon(plat::HBITMAP bitmap, const std::string& path) {
    if (!bitmap)
        return false;
    QImage image(bitmap->width, bitmap->height, QImage::Format_ARGB32);
    for (int y = 0; y < bitmap->height; ++y)
        for (int x = 0; x < bitmap->width; ++x)
            image.setPixel(x, y, bitmap->pixels[static_cast<std::size_t>(y * bitmap->width + x)]);
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    return image.save(QString::fromStdString(path), "PNG");
}

} // namespace vtlmenu
