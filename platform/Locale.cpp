#include "platform/Locale.h"

#include <QLocale>

namespace plat {

std::string ToWindowsPicture(const std::string& qtFormat) {
    // The day, month, year, hour, minute and second letters mean the same in both; Qt's
    // AM/PM marker (AP, ap, A, a) is "tt" in a Windows picture. Quoted text passes unchanged.
    std::string out;
    bool quoted = false;
    for (std::size_t i = 0; i < qtFormat.size(); ++i) {
        const char c = qtFormat[i];
        if (c == '\'') {
            quoted = !quoted;
            out += c;
            continue;
        }
        if (!quoted && (c == 'A' || c == 'a')) {
            if (i + 1 < qtFormat.size() && (qtFormat[i + 1] == 'P' || qtFormat[i + 1] == 'p'))
                ++i;
            out += "tt";
            continue;
        }
        if (!quoted && (c == 't' || c == 'z'))
            continue; // time zone and milliseconds have no Windows picture letter
        out += c;
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

LocaleInfo GetUserLocaleInfo() {
    const QLocale locale = QLocale::system();
    LocaleInfo info;
    info.shortDate = ToWindowsPicture(locale.dateFormat(QLocale::ShortFormat).toStdString());
    info.timeFormat = ToWindowsPicture(locale.timeFormat(QLocale::LongFormat).toStdString());
    info.decimalSeparator = locale.decimalPoint().toStdString();
    info.thousandSeparator = locale.groupSeparator().toStdString();
    info.negativeSign = locale.negativeSign().toStdString();
    return info;
}

} // namespace plat
