#include "app/browser/LocaleFormat.h"

#include "platform/TimeText.h"

#include <algorithm>
#include <string_view>

namespace {

constexpr std::string_view kSeparators = " -/,.:";
constexpr std::size_t kMaxToken = 4096;

struct PictureToken {
    std::string_view token;
    std::string_view format;
};
constexpr PictureToken kPictureTable[] = {
    {"M", "%#m"},   {"MM", "%m"}, {"MMM", "%b"},  {"MMMM", "%B"}, {"d", "%#d"}, {"dd", "%d"},
    {"dddd", "%A"}, {"yy", "%y"}, {"yyyy", "%Y"}, {"H", "%#H"},   {"HH", "%H"}, {"h", "%#I"},
    {"hh", "%I"},   {"mm", "%M"}, {"ss", "%S"},   {"tt", "%p"},
};

// The first UTF-8 character of a text, whole.
std::string_view FirstCharacter(std::string_view text) {
    std::size_t length = text.empty() ? 0 : 1;
    while (length < text.size() && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
        ++length;
    return text.substr(0, length);
}

} // namespace

CLocaleFormat::CLocaleFormat(const plat::LocaleInfo& locale)
    : m_pszTimeFormat(locale.timeFormat), m_pszShortDate(locale.shortDate),
      m_pszNegativeSign(locale.negativeSign), m_pszDecimal(locale.decimalSeparator),
      m_pszThousand(locale.thousandSeparator), m_strDateFormat(ConvertPicture(m_pszShortDate)),
      m_strTimeFormat(ConvertPicture(m_pszTimeFormat)) {}

std::string CLocaleFormat::SizeText(std::uint64_t bytes) const {
    const std::uint64_t kilobytes = bytes <= 1024 ? 1 : bytes / 1024 + (bytes % 1024 ? 1 : 0);
    std::string text = std::to_string(kilobytes);
    GroupDigits(text);
    return text + " KB";
}

void CLocaleFormat::GroupDigits(std::string& text) const {
    // The sign is cut off first, so that "-100.5" never becomes "-,100.5".
    std::string sign;
    std::string integer = text;
    if (!m_pszNegativeSign.empty() && text.rfind(m_pszNegativeSign, 0) == 0) {
        sign = m_pszNegativeSign;
        integer = text.substr(sign.size());
    }
    std::string fraction;
    if (const std::size_t dot =
            m_pszDecimal.empty() ? std::string::npos : integer.find(m_pszDecimal);
        dot != std::string::npos) {
        fraction = integer.substr(dot);
        integer.resize(dot);
    }
    if (integer.size() < 4 || integer.size() > 128)
        return;
    // Counted from the right: a separator before every third digit.
    const std::string_view separator = FirstCharacter(m_pszThousand);
    std::string grouped;
    for (std::size_t i = 0; i < integer.size(); ++i) {
        if (i > 0 && (integer.size() - i) % 3 == 0)
            grouped += separator;
        grouped += integer[i];
    }
    text = sign + grouped + fraction;
}

std::string CLocaleFormat::FormatFileTime(plat::FILETIME time) const {
    std::tm local{};
    if (!plat::FileTimeToLocalTime(time, &local))
        return {};
    return plat::FormatTime(m_strDateFormat, local) + " " +
           plat::FormatTime(m_strTimeFormat, local);
}

std::string CLocaleFormat::ConvertPicture(const std::string& picture) {
    std::string out;
    std::size_t start = 0;
    while (start < picture.size()) {
        const bool separator = kSeparators.find(picture[start]) != std::string_view::npos;
        std::size_t end = start + 1;
        while (end < picture.size() && end - start < kMaxToken &&
               (kSeparators.find(picture[end]) != std::string_view::npos) == separator)
            ++end;
        const std::string_view token = std::string_view(picture).substr(start, end - start);
        const auto match =
            std::find_if(std::begin(kPictureTable), std::end(kPictureTable),
                         [&](const PictureToken& entry) { return entry.token == token; });
        out += match != std::end(kPictureTable) ? match->format : token;
        start = end;
    }
    return out;
}

const CLocaleFormat& GetLocaleFormat() {
    static const CLocaleFormat format(plat::GetUserLocaleInfo());
    return format;
}
