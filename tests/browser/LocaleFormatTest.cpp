// The size and time texts with locales given to CLocaleFormat, and one instant in two time
// zones.
#include "app/browser/LocaleFormat.h"

#include "platform/FileFacts.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace {

std::string Repeat(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

plat::LocaleInfo English() {
    return {"M/d/yyyy", "h:mm:ss tt", ".", ",", "-"};
}

TEST(LocaleFormat, SizeText) {
    const CLocaleFormat english(English());
    const struct {
        std::uint64_t bytes;
        const char* text;
    } cases[] = {
        {0, "1 KB"},           {1, "1 KB"},
        {1024, "1 KB"},        {1025, "2 KB"},
        {2048, "2 KB"},        {1023 * 1024, "1,023 KB"},
        {1536000, "1,500 KB"}, {~0ull, "18,014,398,509,481,984 KB"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(english.SizeText(c.bytes), c.text) << c.bytes;
}

TEST(LocaleFormat, GroupDigits) {
    plat::LocaleInfo french = English();
    french.thousandSeparator = "\xE2\x80\xAF"; // narrow no-break space, three bytes
    french.decimalSeparator = ",";
    plat::LocaleInfo bare = English();
    bare.thousandSeparator = "";
    bare.negativeSign = "";
    bare.decimalSeparator = "";
    const struct {
        plat::LocaleInfo locale;
        std::string text, grouped;
    } cases[] = {
        {English(), "999", "999"},
        {English(), "1000", "1,000"},
        {English(), "1234567", "1,234,567"},
        {English(), "-100.5", "-100.5"},
        {English(), "-1000.25", "-1,000.25"},
        {English(), std::string(128, '9'), "99" + Repeat(",999", 42)},
        {English(), std::string(129, '9'), std::string(129, '9')},
        {french, "1234567,5",
         "1\xE2\x80\xAF"
         "234\xE2\x80\xAF"
         "567,5"},
        {bare, "-1234.5", "-1234.5"},
    };
    for (const auto& c : cases) {
        std::string text = c.text;
        CLocaleFormat(c.locale).GroupDigits(text);
        EXPECT_EQ(text, c.grouped) << c.text;
    }
}

TEST(LocaleFormat, ConvertPicture) {
    const struct {
        const char* picture;
        const char* format;
    } cases[] = {
        {"M/d/yyyy", "%#m/%#d/%Y"},
        {"dd.MM.yyyy", "%d.%m.%Y"},
        {"yyyy-MM-dd", "%Y-%m-%d"},
        {"h:mm:ss tt", "%#I:%M:%S %p"},
        {"HH:mm", "%H:%M"},
        {"ddd, MMM d", "ddd, %b %#d"},
        {"dddd, MMMM dd, yyyy", "%A, %B %d, %Y"},
        {"H:m:s t", "%#H:m:s t"},
        {"yy/M/d", "%y/%#m/%#d"},
        {"d 'de' MMMM", "%#d 'de' %B"},
        {"MMMMM", "MMMMM"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CLocaleFormat::ConvertPicture(c.picture), c.format) << c.picture;
    // A run longer than a token continues as the next token.
    EXPECT_EQ(CLocaleFormat::ConvertPicture(std::string(4096, 'x') + "MM"),
              std::string(4096, 'x') + "%m");
}

TEST(LocaleFormat, FileTimeIsShownInTheLocalZone) {
    const CLocaleFormat english(English());
    const plat::FILETIME instant =
        plat::UnixTimeToFileTime(1700000000, 0); // 2023-11-14 22:13:20 UTC
    const char* saved = std::getenv("TZ");
    const std::string savedZone = saved ? saved : "";
    const struct {
        const char* zone;
        const char* text;
    } cases[] = {
        {"UTC0", "11/14/2023 10:13:20 PM"},
        {"JST-9", "11/15/2023 7:13:20 AM"},
    };
    for (const auto& c : cases) {
        setenv("TZ", c.zone, 1);
        tzset();
        EXPECT_EQ(english.FormatFileTime(instant), c.text) << c.zone;
    }
    if (saved)
        setenv("TZ", savedZone.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

} // namespace
