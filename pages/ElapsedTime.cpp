// Elapsed-time formatting for the run-in page.
#include "ElapsedTime.h"

#include <algorithm>

namespace quilbo {

namespace {
QString twoDigits(std::int64_t value) {
    return QString::number(value).rightJustified(2, u'0');
}
}  // namespace

QString formatElapsed(std::int64_t seconds, const QString& format) {
    const std::int64_t elapsed = std::max<std::int64_t>(seconds, 0);
    QString text;
    text.reserve(format.size() + 8);
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format[i] == u'%' && i + 1 < format.size()) {
            const char16_t conversion = format[i + 1].unicode();
            if (conversion == u'H' || conversion == u'M' || conversion == u'S' ||
                conversion == u'%') {
                ++i;
                switch (conversion) {
                    case u'H':
                        text += twoDigits(elapsed / 3600);
                        break;
                    case u'M':
                        text += twoDigits(elapsed / 60 % 60);
                        break;
                    case u'S':
                        text += twoDigits(elapsed % 60);
                        break;
                    default:
                        text += u'%';
                }
                continue;
            }
        }
        text += format[i];
    }
    return text;
}

std::int64_t wholeHours(std::int64_t seconds) {
    // Rounded towards minus infinity, so a clock set back never counts an hour early.
    const std::int64_t hours = seconds / 3600;
    return (seconds % 3600 < 0) ? hours - 1 : hours;
}

}  // namespace quilbo
