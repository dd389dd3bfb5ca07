// The size and time texts with locales given to CLocaleFormat, and one instant in a time zone
// east of UTC.
#include "app/browser/LocaleFormat.h"

#include "platform/FileFacts.h"
#include "tests/support/TestConditions.h"

#include <gtest/gtest.h>

#include <ctime>

namespace {

// Date and time pictures, decimal and thousand separators, negative sign.
const plat::LocaleInfo kEnglish{"M/d/yyyy", "h:mm:ss tt", ".", ",", "-"};

// Sizes in whole kilobytes, rounded up, grouped by the locale's separator (its first character,
// however many bytes it takes).
TEST(LocaleFormat, SizeText) {
    const std::string narrow = "\xE2\x80\xAF";
    const plat::LocaleInfo french{"", "", ",", narrow + "x", "-"};
    const std::tuple<plat::LocaleInfo, std::uint64_t, std::string> cases[] = {
        {kEnglish, 1025, "2 KB"},
        {french, 1234567 * 1024ull, "1" + narrow + "234" + narrow + "567 KB"},
    };
    for (const auto& [locale, bytes, text] : cases)
        EXPECT_EQ(CLocaleFormat(locale).SizeText(bytes), text) << bytes;
}

// The locale's date and time pictures become strftime formats for the local time.
TEST(LocaleFormat, FileTimeIsShownInTheLocalZone) {
    const plat::FILETIME instant = plat::UnixTimeToFileTime(1700000000, 0); // 22:13:20 UTC
    {
        vtltest::ScopedEnv zone;
        zone.Set("TZ", "JST-9");
        tzset();
        EXPECT_EQ(CLocaleFormat(kEnglish).FormatFileTime(instant), "11/15/2023 7:13:20 AM");
    }
    tzset();
}

} // namespace
