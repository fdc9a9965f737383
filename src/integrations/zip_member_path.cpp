#include "zip_member_path.h"

#include <QStringList>

namespace orvane {

std::optional<QString> MemberTargetPath(const QString& baseDirectory, const QString& memberName) {
    if (memberName.isEmpty() || memberName.startsWith(QLatin1Char('/')))
        return std::nullopt;
    QStringList parts;
    for (const QString& part : memberName.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String(".."))
            return std::nullopt;
        if (part != QLatin1String("."))
            parts << part;
    }
    if (parts.isEmpty())
        return std::nullopt;
    QString target = baseDirectory;
    if (!target.endsWith(QLatin1Char('/')))
        target += QLatin1Char('/');
    target += parts.join(QLatin1Char('/'));
    // A directory member keeps its trailing slash, so the caller can tell it from a file.
    if (memberName.endsWith(QLatin1Char('/')))
        target += QLatin1Char('/');
    return target;
}

} // namespace orvane
