#include "legacy_description.h"

#include "platform/message_pump.h"
#include "platform/operator_interface.h"
#include "tape/tape_access.h"
#include "tape/tape_date.h"
#include "tape_reader.h"

#include <QFile>
#include <QLocale>

namespace orvane {

QDateTime ParseLegacyDate(const QString& text) {
    const QString trimmed = text.trimmed();
    const QLocale locale = QLocale::system();
    QStringList formats = {locale.dateTimeFormat(QLocale::ShortFormat),
                           locale.dateFormat(QLocale::ShortFormat) + QStringLiteral(" HH:mm:ss"),
                           QStringLiteral("dd.MM.yyyy HH:mm:ss"),
                           QStringLiteral("d.M.yyyy H:mm:ss"),
                           QStringLiteral("M/d/yyyy h:mm:ss AP"),
                           QStringLiteral("M/d/yyyy H:mm:ss"),
                           QStringLiteral("yyyy-MM-dd HH:mm:ss"),
                           QStringLiteral("dd.MM.yyyy"),
                           QStringLiteral("M/d/yyyy")};
    for (const QString& format : formats) {
        const QDateTime moment = QDateTime::fromString(trimmed, format);
        if (moment.isValid())
            return moment;
    }
    return QDateTime();
}

void ReadLegacyDescription(ArchiveContext& ctx, TapeDescription& description) {
    PumpMessages(10);
    QByteArray label;
    double date = 0;
    if (RewindWithStatus(ctx)) {
        PumpMessages(10);
        SetBusyCursor(ctx);
        ctx.Op.SetStatus(QStringLiteral("Loading Tape Description"));
        PumpMessages(10);
        TapeHandlePtr handle = OpenTape(ctx);
        PumpMessages(10);
        if (handle) {
            LoadStreamBlock(ctx, *handle, 0);
            const QByteArray path = ReadFileRecord(ctx, handle, false, false);
            ctx.Op.ShowCatalogProgress({.TapeMiB = ctx.Counters.TapeBytes / 1048576});
            if (FileNamePart(path).toLower() == "header.tap") {
                QFile file(ctx.Paths.TapeHeaderPath);
                if (file.open(QIODevice::ReadOnly | QIODevice::Text)) {
                    label = file.readLine().trimmed().left(255);
                    const QDateTime moment =
                        ParseLegacyDate(QString::fromLocal8Bit(file.readLine()));
                    if (moment.isValid())
                        date = ToTapeDate(moment);
                }
                ctx.Op.SetStatus(QStringLiteral("Tape description loaded"));
                ctx.LegacyTape = true;
            } else {
                ctx.Op.SetStatus(QStringLiteral(
                    "Tape description not found! Perhaps Tape was not used with Orvane before !"));
            }
            CloseTape(handle, 10);
        }
        RestoreCursor(ctx);
    }
    QFile::remove(ctx.Paths.TapeHeaderPath);
    description.Date = date;
    description.TapeNumber = 255;
    description.Label = label;
}

} // namespace orvane
