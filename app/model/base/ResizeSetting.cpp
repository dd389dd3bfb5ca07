#include "app/model/base/ResizeSetting.h"

#include "app/model/base/SettingKey.h"
#include "platform/RegistryString.h"

using namespace plat;

void ReadResizeSetting(ResizeSetting& resize) {
    HKEY key = OpenSettingKey();
    if (!key)
        return;
    ReadSettingDword(key, settingkey::OVERWRITE, resize.bOverwrite);
    resize.strDestFolder = RegQueryPathString(key, settingkey::DEST).value_or("");
    for (const auto& field : kResizeFields)
        ReadSettingDword(key, field.name, resize.*field.member);
    RegCloseKey(key);
}

LONG WriteResizeSetting(const ResizeSetting& resize) {
    return WriteSettingGroup([&](CSettingWriter& write) {
        write.Dword(settingkey::OVERWRITE, resize.bOverwrite);
        write.String(settingkey::DEST, resize.strDestFolder);
        for (const auto& field : kResizeFields)
            write.Dword(field.name, resize.*field.member);
    });
}
