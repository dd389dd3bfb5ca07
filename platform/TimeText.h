#pragma once
// Times as text, with the Windows habits the application's pictures speak in.
#include "platform/WinTypes.h"

#include <ctime>
#include <string>

namespace plat {

// strftime, where "%#x" (the "#" of Microsoft's strftime) is code x without leading zeros.
// Any other character is copied as it stands.
std::string FormatTime(const std::string& format, const std::tm& time);

// A FILETIME (UTC) in the process's local time zone; false when it cannot be shown.
bool FileTimeToLocalTime(FILETIME time, std::tm* local);

} // namespace plat
