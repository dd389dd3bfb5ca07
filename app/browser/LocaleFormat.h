#pragma once
// CLocaleFormat: the size and time texts of the file list, in the user's regional settings.
// The locale's pictures and separators are read once, when GetLocaleFormat() first runs;
// changes during the run are seen at the next start.
//
// Made on the user-interface thread; read-only afterwards, so any thread may format with it.
#include "platform/Locale.h"
#include "platform/WinTypes.h"

#include <cstdint>
#include <string>

class CLocaleFormat {
  public:
    // The values the locale delivered; an empty one stays unset.
    explicit CLocaleFormat(const plat::LocaleInfo& locale);

    // Kilobytes, rounded up (at least 1), grouped, with " KB": 1536000 bytes is "1,500 KB".
    std::string SizeText(std::uint64_t bytes) const;
    // Puts the thousands separator into a decimal number text, keeping its sign and fraction;
    // an integer part shorter than 4 or longer than 128 characters stays as it is.
    void GroupDigits(std::string& text) const;
    // The short date, " ", the time, in the local time zone.
    std::string FormatFileTime(plat::FILETIME time) const;
    // A locale date or time picture as a strftime format: "M/d/yyyy" is "%#m/%#d/%Y". Runs of
    // the separators " -/,.:" and runs of other characters are tokens; a token that is a key
    // of the picture table is replaced, any other stays as it is.
    static std::string ConvertPicture(const std::string& picture);

    const std::string m_pszTimeFormat;
    const std::string m_pszShortDate;
    const std::string m_pszNegativeSign;
    const std::string m_pszDecimal;
    const std::string m_pszThousand;

  private:
    const std::string m_strDateFormat; // the converted pictures
    const std::string m_strTimeFormat;
};

// The shared object, made from the user's locale on the first call.
const CLocaleFormat& GetLocaleFormat();
