#pragma once
// What the batch tests share: the settings they start from.
#include "app/model/AppSetting.h"

// Puts the resize settings back to their defaults over a selection of `files`; returns the
// settings for the test to change.
inline ResizeSetting& Reset(const std::vector<std::string>& files) {
    GetAppSetting()->m_resize = ResizeSetting{};
    GetAppSetting()->m_listFiles = files;
    return GetAppSetting()->m_resize;
}
