#pragma once
#include <string>

namespace plat {

// The user's locale values with the meaning of GetLocaleInfo's: pictures use the Windows
// letters (d, M, y for dates; h, H, m, s and tt for AM/PM in times).
struct LocaleInfo {
    std::string shortDate;
    std::string timeFormat;
    std::string decimalSeparator;
    std::string thousandSeparator;
    std::string negativeSign;
};

LocaleInfo GetUserLocaleInfo();

// A Qt date or time format translated to Windows picture letters.
std::string ToWindowsPicture(const std::string& qtFormat);

} // namespace plat
