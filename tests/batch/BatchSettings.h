#pragma once
// The shared settings of the batch tests, as a run finds them.
#include "app/core/AppSetting.h"

// Puts the resize settings back to their defaults over a selection of `files`; returns the
// settings for the test to change.
inline ResizeSetting& Reset(const std::vector<std::string>& files) {
    GetAppSetting()->m_resize = ResizeSetting{};
    GetAppSetting()->m_listFiles = files;
    return GetAppSetting()->m_resize;
}
