#include "shellext/MenuChoices.h"

#include "app/model/base/HandoffBlock.h"
#include "app/model/base/SettingNames.h"
#include "platform/Registry.h"

namespace vtlext {

using namespace plat;

namespace {

// A DWORD value as a choice: ticked unless it is there and 0.
bool Ticked(HKEY key, const char* name) {
    DWORD value = 1;
    DWORD type = REG_NONE;
    DWORD size = sizeof value;
    if (!key ||
        RegQueryValueEx(key, name, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value)
        return true;
    return value != 0;
}

} // namespace

std::uint32_t MenuChoices::CommandCode(unsigned offset) const {
    switch (offset) {
    case 1:
        return HANDOFF_RESIZE_DEFAULT;
    case 2:
        return bMailAsDefault ? HANDOFF_RESIZE_DEFAULT_MAIL : HANDOFF_RESIZE_DIALOG;
    default:
        return HANDOFF_RESIZE_DIALOG;
    }
}

MenuChoices ReadMenuChoices() {
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, settingkey::PATH, 0, KEY_READ, &key) != ERROR_SUCCESS)
        key = nullptr;
    MenuChoices choices;
    choices.bVantrel = Ticked(key, settingkey::MENU_VANTREL);
    for (unsigned offset = 0; offset < COMMAND_COUNT; ++offset)
        choices.bCommands[offset] = Ticked(key, settingkey::MENU_COMMANDS[offset]);
    choices.bMailAsDefault = Ticked(key, settingkey::MENU_MAIL_AS_DEFAULT);
    if (key)
        RegCloseKey(key);
    return choices;
}

} // namespace vtlext
