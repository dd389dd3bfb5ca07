#pragma once
// Which member of the settings holds which value of the settings key: the tables that drive
// both the loading and the saving of the numbers, and that vtlregistry walks to print them
// (the resize group's, kResizeFields, lives with ResizeSetting).
#include "app/model/AppSetting.h"
#include "app/model/base/SettingNames.h"

#include <cstdint>

// The menu flags and the mail choices, saved with the mail texts.
struct MenuField {
    const char* name;
    std::int32_t CAppSetting::*member;
};
inline constexpr MenuField kMenuFields[] = {
    {settingkey::MENU_VANTREL, &CAppSetting::m_bExtVantrel},
    {settingkey::MENU_COMMANDS[0], &CAppSetting::m_bExtResize},
    {settingkey::MENU_COMMANDS[1], &CAppSetting::m_bExtResizeAsDefaultSetting},
    {settingkey::MENU_COMMANDS[2], &CAppSetting::m_bExtResizeAndMail},
    {settingkey::MENU_MAIL_AS_DEFAULT, &CAppSetting::m_bExtResizeDefaultAndMail},
    {settingkey::MAIL_MAX_MB, &CAppSetting::m_nMailMaxMb},
    {settingkey::MAIL_NO_GPS, &CAppSetting::m_bMailNoGps},
};

// The window placement's eleven numbers as "windowplace" holds them.
inline constexpr const char* kPlacementFormat = "%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d";
