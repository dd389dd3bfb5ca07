// The size and time texts with locales given to CLocaleFormat, and one instant in two time
// zones.
#include "app/browser/LocaleFormat.h"

#include "platform/FileFacts.h"
#include "tests/support/TestConditions.h"

#include <gtest/gtest.h>

#include <ctime>

namespace {

// Date and time pictures, decimal and thousand separators, negative sign.
const plat::LocaleInfo kEnglish{"M/d/yyyy", "h:mm:ss tt", ".", ",", "-"};

TEST(LocaleFormat, SizeText) {
    const std::pair<std::uint64_t, const char*> cases[] = {
        {0, "1 KB"},    {1, "1 KB"},           {1024, "1 KB"},
        {1025, "2 KB"}, {1536000, "1,500 KB"}, {~0ull, "18,014,398,509,481,984 KB"},
    };
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(CLocaleFormat(kEnglish).SizeText(bytes), text) << bytes;
}

TEST(LocaleFormat, GroupDigits) {
    const std::string narrow = "\xE2\x80\xAF"; // a thousands separator of three bytes
    const plat::LocaleInfo french{"", "", ",", narrow, "-"};
    const plat::LocaleInfo bare{"", "", "", "", ""};
    std::string nines = "99"; // 128 digits grouped; one more is too long to group
    for (int group = 0; group < 42; ++group)
        nines += ",999";
    const std::tuple<plat::LocaleInfo, std::string, std::string> cases[] = {
        {kEnglish, "-100.5", "-100.5"},
        {kEnglish, "-1000.25", "-1,000.25"},
        {kEnglish, std::string(128, '9'), nines},
        {kEnglish, std::string(129, '9'), std::string(129, '9')},
        {french, "1234567,5", "1" + narrow + "234" + narrow + "567,5"},
        {bare, "-1234.5", "-1234.5"},
    };
    for (const auto& [locale, text, grouped] : cases) {
        std::string digits = text;
        CLocaleFormat(locale).GroupDigits(digits);
        EXPECT_EQ(digits, grouped) << text;
    }
}

TEST(LocaleFormat, ConvertPicture) {
    const std::pair<std::string, std::string> cases[] = {
        {"M/d/yyyy", "%#m/%#d/%Y"},
        {"dd.MM.yyyy", "%d.%m.%Y"},
        {"h:mm:ss tt", "%#I:%M:%S %p"},
        {"HH:mm", "%H:%M"},
        {"ddd, MMM d", "ddd, %b %#d"},
        {"dddd, MMMM dd, yyyy", "%A, %B %d, %Y"},
        {"H:m:s t", "%#H:m:s t"},
        {"yy/M/d", "%y/%#m/%#d"},
        {"d 'de' MMMM", "%#d 'de' %B"},
        {"MMMMM", "MMMMM"},
        {"", ""},
        // A run longer than a token continues as the next token.
        {std::string(4096, 'x') + "MM", std::string(4096, 'x') + "%m"},
    };
    for (const auto& [picture, format] : cases)
        EXPECT_EQ(CLocaleFormat::ConvertPicture(picture), format) << picture;
}

TEST(LocaleFormat, FileTimeIsShownInTheLocalZone) {
    const plat::FILETIME instant = plat::UnixTimeToFileTime(1700000000, 0); // 22:13:20 UTC
    {
        vtltest::ScopedEnv zone;
        for (const auto& [tz, text] :
             {std::pair{"UTC0", "11/14/2023 10:13:20 PM"}, {"JST-9", "11/15/2023 7:13:20 AM"}}) {
            zone.Set("TZ", tz);
            tzset();
            EXPECT_EQ(CLocaleFormat(kEnglish).FormatFileTime(instant), text) << tz;
        }
    }
    tzset();
}

} // namespace
