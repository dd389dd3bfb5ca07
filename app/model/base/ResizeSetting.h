#pragma once
// The parameters of one resize run, and their load and save through the settings key ("Set as
// default"): free of the widgets and the shell, so the extension's side builds them too.
#include "app/model/base/SettingNames.h"
#include "app/model/formats/FormatTable.h"
#include "platform/Registry.h"

#include <cstdint>
#include <string>

struct ResizeSetting {
    std::int32_t bOverwrite = 0;
    std::string strDestFolder;
    std::int32_t nImageType = SAVE_TYPE_SOURCE;
    std::int32_t nQuality = 80;
    std::int32_t bResize = 1;
    std::int32_t bRotate = 0;
    std::int32_t bSetDpi = 0;
    std::int32_t bConstrain = 1;
    std::int32_t bDesktop = 0;
    std::int32_t nHeight = 100;
    std::int32_t nWidth = 100;
    std::int32_t nHeightUnit = UNIT_PERCENT;
    std::int32_t nWidthUnit = UNIT_PERCENT;
    std::int32_t nRotate = ROTATE_LEFT;
    std::int32_t nXDpi = 72;
    std::int32_t nYDpi = 72;
    std::int32_t nMaxKb = 0;
    std::int32_t bShrinkOnly = 0;
    std::int32_t bTrash = 1;
    // Not stored: added to each output's name before its extension, outside the overwrite and
    // mail cases (`vtl resize --suffix`).
    std::string strSuffix{};
};

// The group's numbers after "override" and "dest", in the order they are read and written;
// vtlregistry walks them to print them.
struct ResizeField {
    const char* name;
    std::int32_t ResizeSetting::*member;
};
inline constexpr ResizeField kResizeFields[] = {
    {settingkey::IMAGE_TYPE, &ResizeSetting::nImageType},
    {settingkey::QUALITY, &ResizeSetting::nQuality},
    {settingkey::RESIZE, &ResizeSetting::bResize},
    {settingkey::ROTATE, &ResizeSetting::bRotate},
    {settingkey::SET_DPI, &ResizeSetting::bSetDpi},
    {settingkey::CONSTRAIN, &ResizeSetting::bConstrain},
    {settingkey::DESKTOP, &ResizeSetting::bDesktop},
    {settingkey::HEIGHT, &ResizeSetting::nHeight},
    {settingkey::WIDTH, &ResizeSetting::nWidth},
    {settingkey::HEIGHT_UNIT, &ResizeSetting::nHeightUnit},
    {settingkey::WIDTH_UNIT, &ResizeSetting::nWidthUnit},
    {settingkey::ROTATION, &ResizeSetting::nRotate},
    {settingkey::X_DPI, &ResizeSetting::nXDpi},
    {settingkey::Y_DPI, &ResizeSetting::nYDpi},
    {settingkey::MAX_KB, &ResizeSetting::nMaxKb},
    {settingkey::SHRINK_ONLY, &ResizeSetting::bShrinkOnly},
    {settingkey::TRASH, &ResizeSetting::bTrash},
};

// Loads the group from the settings key. Without the key (a first start) every value keeps
// what it holds; a number that is missing or of another type keeps it too, and a "dest" that
// is missing, of another type or too long for a path reads as "".
void ReadResizeSetting(ResizeSetting& resize);

// Saves the group in one write of the key, made when it is missing; the first failure's code,
// or ERROR_SUCCESS.
plat::LONG WriteResizeSetting(const ResizeSetting& resize);
