#pragma once

#include <QDateTime>
#include <QString>

namespace orvane {

// Date and time as the protocol and the messages show them: the locale's short date and a
// time with seconds.
QString DateTimeText(const QDateTime& moment);
QString NowText();

} // namespace orvane
