#include "job_file_values.h"

#include <limits>

namespace orvane {

namespace {

// The digit's value in the base, or -1.
int DigitValue(QChar c, int base) {
    const char16_t u = c.unicode();
    int value = -1;
    if (u >= '0' && u <= '9')
        value = u - '0';
    else if (u >= 'a' && u <= 'f')
        value = u - 'a' + 10;
    else if (u >= 'A' && u <= 'F')
        value = u - 'A' + 10;
    return value < base ? value : -1;
}

} // namespace

std::optional<int> ParseJobFileInteger(const QString& text) {
    QStringView digits = QStringView(text).trimmed();
    bool negative = false;
    if (digits.startsWith(QLatin1Char('+')) || digits.startsWith(QLatin1Char('-'))) {
        negative = digits.front() == QLatin1Char('-');
        digits = digits.mid(1);
    }
    int base = 10;
    if (digits.startsWith(QLatin1Char('$'))) {
        base = 16;
        digits = digits.mid(1);
    } else if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        base = 16;
        digits = digits.mid(2);
    }
    if (digits.isEmpty())
        return std::nullopt;
    qint64 value = 0;
    for (const QChar c : digits) {
        const int digit = DigitValue(c, base);
        if (digit < 0)
            return std::nullopt;
        value = value * base + digit;
        if (value > qint64(std::numeric_limits<int>::max()) + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(value);
}

QString CutJobFileValue(const QString& text) {
    if (text.size() <= MaxJobFileValueLength)
        return text;
    QString cut = text.left(MaxJobFileValueLength);
    if (cut.back().isHighSurrogate())
        cut.chop(1);
    return cut;
}

} // namespace orvane
