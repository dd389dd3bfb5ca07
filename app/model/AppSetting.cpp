#include "app/model/AppSetting.h"

#include "app/model/SettingFields.h"
#include "app/model/UserData.h"
#include "app/model/base/SettingKey.h"
#include "platform/FileFacts.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "platform/RegistryString.h"
#include "platform/Utf8.h"
#include "platform/shell/ShellInfo.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>

using namespace plat;

namespace {

// A string that is missing or does not fit leaves the buffer as it was.
void ReadString(HKEY key, const char* name, char (&buffer)[MAX_PATH]) {
    if (const auto text = RegQueryPathString(key, name))
        std::memcpy(buffer, text->c_str(), text->size() + 1);
}

std::string SaveFailure(LONG rc) {
    const std::string file = RegistryHiveFile(HKEY_CURRENT_USER);
    if (rc == ERROR_CANTREAD)
        return "The settings could not be saved: " + file + " cannot be read (" +
               RegistryHiveFault(HKEY_CURRENT_USER) +
               "). It was left as it is, since it may hold your settings; move it away to start "
               "with new ones.";
    if (rc == ERROR_LOCK_VIOLATION)
        return "The settings could not be saved: another program held the lock " +
               RegistryLockFile(HKEY_CURRENT_USER) +
               " for more than 5 seconds. Close the other Vantrel windows and try again.";
    return "The settings could not be saved: " + file + " could not be written.";
}

// What a save of one group tells the user, from the first failure's code: a settings file
// that was set aside is told about by the save that did it.
Result<Saved> Told(LONG rc) {
    std::string notice = TakeRegistryNotice();
    if (rc == ERROR_SUCCESS)
        return Saved{std::move(notice)};
    return Failure{notice.empty() ? SaveFailure(rc) : notice + "\n" + SaveFailure(rc)};
}

Result<Saved> SaveGroup(const std::function<void(CSettingWriter&)>& write) {
    return Told(WriteSettingGroup(write));
}

} // namespace

CAppSetting::CAppSetting() {
    const auto special = [](int csidl) {
        LPITEMIDLIST pidl = nullptr;
        SHGetSpecialFolderLocation(csidl, &pidl);
        return PidlPtr(pidl);
    };
    m_pidlDesktop = special(CSIDL_DESKTOP);
    m_pidlDrives = special(CSIDL_DRIVES);
    m_pidlControls = special(CSIDL_CONTROLS);
    m_pidlPersonal = special(CSIDL_PERSONAL);
    LoadResizeSetting();
    LoadMenuAndMail();
    LoadLayout();
}

void CAppSetting::LoadResizeSetting() {
    ReadResizeSetting(m_resize);
}

Result<Saved> CAppSetting::SaveResizeSetting() {
    return Told(WriteResizeSetting(m_resize));
}

std::string CAppSetting::UserDataPath() {
    const std::string config = GetUserConfigFolder();
    const std::string own = config + "/vantrel/user.dat";
    if (!config.empty() && FileExists(own))
        return own;
    PathParts parts = SplitPath(GetModuleFileName());
    std::string folder = parts.drive + parts.dir;
    if (folder.empty() || folder.back() != PATH_SEPARATOR)
        folder += PATH_SEPARATOR;
    // A program installed for every user lies in a folder its users cannot write.
    if (config.empty() || FolderWritable(folder))
        return folder + "user.dat";
    return own;
}

void CAppSetting::LoadMenuAndMail() {
    if (HKEY key = OpenSettingKey()) {
        for (const auto& field : kMenuFields)
            ReadSettingDword(key, field.name, this->*field.member);
        ReadSettingDword(key, settingkey::THUNAR_ACTIONS_ADDED, m_bThunarActionsAdded);
        RegCloseKey(key);
    }
    ReadUserData(UserDataPath(), m_szMailSubject, m_szMailBody);
}

Result<Saved> CAppSetting::SaveThunarActionsAdded() {
    return SaveGroup([&](CSettingWriter& write) {
        write.Dword(settingkey::THUNAR_ACTIONS_ADDED, m_bThunarActionsAdded);
    });
}

Result<Saved> CAppSetting::SaveMenuAndMail() {
    Result<Saved> flags = SaveGroup([&](CSettingWriter& write) {
        for (const auto& field : kMenuFields)
            write.Dword(field.name, this->*field.member);
    });
    const std::string path = UserDataPath();
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    if (const auto written = WriteUserData(path, m_szMailSubject, m_szMailBody); !written) {
        const std::string said = flags ? flags->notice : flags.error().message;
        return Failure{said + (said.empty() ? "" : "\n") +
                       "The mail subject and body could not be saved: " + written.error().message};
    }
    return flags;
}

void CAppSetting::LoadLayout() {
    HKEY key = OpenSettingKey();
    if (!key)
        return;
    ReadSettingDword(key, settingkey::CURRENT_COLUMN, m_nCurCol);
    for (int i = 0; i < 4; ++i)
        ReadSettingDword(key, settingkey::COLUMN_WIDTHS[i], m_nColumnWidth[i]);
    ReadSettingDword(key, settingkey::LIST_VIEW, m_nListView);
    const std::string placement = RegQueryPathString(key, settingkey::WINDOW_PLACE).value_or("");
    ReadString(key, settingkey::COPY_MOVE_TO, m_szCopyMoveTo);
    ReadString(key, settingkey::LAST_BROWSE, m_szLastBrowse);
    RegCloseKey(key);

    // A placement is only taken whole: a text that does not hold all eleven numbers leaves
    // the window where the framework puts it.
    WINDOWPLACEMENT wp;
    if (!placement.empty() &&
        std::sscanf(placement.c_str(), kPlacementFormat, &wp.length, &wp.flags, &wp.showCmd,
                    &wp.ptMinPositionX, &wp.ptMinPositionY, &wp.ptMaxPositionX, &wp.ptMaxPositionY,
                    &wp.rcNormalPositionLeft, &wp.rcNormalPositionTop, &wp.rcNormalPositionRight,
                    &wp.rcNormalPositionBottom) == 11) {
        m_wndPlacement = wp;
        m_bPlacementLoaded = true;
    }
}

Result<Saved> CAppSetting::SaveLayout() {
    const WINDOWPLACEMENT& wp = m_wndPlacement;
    char placement[MAX_PATH];
    std::snprintf(placement, sizeof placement, kPlacementFormat, wp.length, wp.flags, wp.showCmd,
                  wp.ptMinPositionX, wp.ptMinPositionY, wp.ptMaxPositionX, wp.ptMaxPositionY,
                  wp.rcNormalPositionLeft, wp.rcNormalPositionTop, wp.rcNormalPositionRight,
                  wp.rcNormalPositionBottom);
    return SaveGroup([&](CSettingWriter& write) {
        write.String(settingkey::WINDOW_PLACE, placement);
        write.Dword(settingkey::CURRENT_COLUMN, m_nCurCol);
        for (int i = 0; i < 4; ++i)
            write.Dword(settingkey::COLUMN_WIDTHS[i], m_nColumnWidth[i]);
        write.Dword(settingkey::LIST_VIEW, m_nListView);
        write.String(settingkey::LOCATION, GetModuleFileName());
        write.String(settingkey::COPY_MOVE_TO, m_szCopyMoveTo);
        write.String(settingkey::LAST_BROWSE, m_szLastBrowse);
    });
}

bool CAppSetting::SetLastBrowse(const std::string& parsingName) {
    if (parsingName.size() >= sizeof m_szLastBrowse)
        return false;
    std::memcpy(m_szLastBrowse, parsingName.c_str(), parsingName.size() + 1);
    return true;
}

CAppSetting* GetAppSetting() {
    // Created on first use, which the program's start makes the very first thing it does.
    static CAppSetting* setting = new CAppSetting;
    return setting;
}
