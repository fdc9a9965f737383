#include "date_time_text.h"

#include <QLocale>

namespace orvane {

QString DateTimeText(const QDateTime& moment) {
    const QLocale locale = QLocale::system();
    return locale.toString(moment.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           moment.time().toString(QStringLiteral("HH:mm:ss"));
}

QString NowText() {
    return DateTimeText(QDateTime::currentDateTime());
}

} // namespace orvane
