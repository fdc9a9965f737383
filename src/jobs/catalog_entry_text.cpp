#include "catalog_entry_text.h"

#include "catalog_paths.h"

#include <QDateTime>

namespace orvane {

namespace {

QString Owner(const EntryMetadata& entry) {
    const QString user =
        entry.User.isEmpty() ? QString::number(entry.Uid) : QString::fromUtf8(entry.User);
    const QString group =
        entry.Group.isEmpty() ? QString::number(entry.Gid) : QString::fromUtf8(entry.Group);
    return user + QLatin1Char('/') + group;
}

QString LinkPart(const EntryMetadata& entry) {
    switch (entry.Kind) {
    case EntryMetadata::Type::SymbolicLink:
        return QStringLiteral(" -> ") + TapePathText(entry.Target);
    case EntryMetadata::Type::HardLink:
        return QStringLiteral(" link to ") + TapePathText(entry.Target);
    default:
        return {};
    }
}

} // namespace

QString CatalogEntryDetail(const EntryMetadata& entry) {
    return QString::fromLatin1(ModeText(entry.Kind, entry.Mode)) + QLatin1Char(' ') + Owner(entry) +
           LinkPart(entry);
}

QString CatalogEntryLine(const QByteArray& path, const EntryMetadata* entry, bool storage) {
    const QString shown = TapePathText(path);
    if (!entry) {
        return QStringLiteral("?????????? ?/? %1 ? ? tape ? block ? ").arg(QStringLiteral("?"), 9) +
               (storage ? QStringLiteral("? ") : QString()) + shown;
    }
    const bool file = entry->Kind == EntryMetadata::Type::File;
    const QString time = QDateTime::fromSecsSinceEpoch(entry->Seconds)
                             .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    const QString place =
        file ? QStringLiteral("tape %1 block %2").arg(entry->TapeNumber).arg(entry->HeaderBlock)
             : QStringLiteral("tape - block -");
    QString line = QString::fromLatin1(ModeText(entry->Kind, entry->Mode)) + QLatin1Char(' ') +
                   Owner(*entry) + QLatin1Char(' ') +
                   QStringLiteral("%1").arg(file ? entry->StoredLength : 0, 9) + QLatin1Char(' ') +
                   time + QLatin1Char(' ') + place + QLatin1Char(' ');
    if (storage)
        line += file ? QString::fromLatin1(entry->Compressed ? "packed " : "plain ")
                     : QStringLiteral("- ");
    return line + shown + LinkPart(*entry);
}

} // namespace orvane
