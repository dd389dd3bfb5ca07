#pragma once
// What the batch tests share: the settings they start from, and the warning that the size
// entries do not keep the selection's proportions.
#include "app/core/AppSetting.h"

// Puts the resize settings back to their defaults over a selection of `files`; returns the
// settings for the test to change.
inline ResizeSetting& Reset(const std::vector<std::string>& files) {
    GetAppSetting()->m_resize = ResizeSetting{};
    GetAppSetting()->m_listFiles = files;
    return GetAppSetting()->m_resize;
}

// The warning of the selection check for a common size and asked size, "W*H" each.
inline std::string Mismatch(const std::string& common, const std::string& asked) {
    return "The size(" + common +
           ") of the pictures you've selected is not match the Constrain "
           "Proportion of your setting: " +
           asked + "\r\nPlease reset width and height or uncheck Constrain Proportion";
}
