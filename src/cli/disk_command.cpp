#include "cli_app.h"
#include "disk/disk_view.h"
#include "jobs/session.h"
#include "terminal_operator.h"

#include <algorithm>

namespace orvane::cli {

int ParseDiskNumber(const QString& text) {
    bool ok = false;
    const int number = text.toInt(&ok);
    if (!ok || number < 0)
        throw UsageError{QStringLiteral("a disk number is a whole number from 0 (see 'orvane-cli "
                                        "disks'), not ") +
                         text};
    return number;
}

namespace {

// Columns as wide as their widest cell, two blanks apart.
QStringList AlignedRows(const QList<QStringList>& rows) {
    QList<qsizetype> widths;
    for (const QStringList& row : rows)
        for (qsizetype i = 0; i < row.size(); ++i) {
            if (widths.size() <= i)
                widths << 0;
            widths[i] = std::max(widths[i], row.at(i).size());
        }
    QStringList lines;
    for (const QStringList& row : rows) {
        QString line;
        for (qsizetype i = 0; i < row.size(); ++i)
            line += row.at(i).leftJustified(widths.at(i) + (i + 1 < row.size() ? 2 : 0));
        lines << line.trimmed();
    }
    return lines;
}

} // namespace

// One line per disk: number, device, size, model, and the mount points on it.
int DisksCommand(CommandEnvironment& env) {
    if (!env.Args.isEmpty())
        throw UsageError{QStringLiteral("disks takes no arguments")};
    QList<QStringList> rows;
    for (const DiskEntry& disk : ListDisks()) {
        const DiskView view = InspectDisk(disk.Number, env.Session.Paths.ProgramDirectory);
        QString size = view.Geometry.MegabytesText() + QStringLiteral(" MB");
        if (!view.Error.isEmpty()) {
            size += QStringLiteral(" (not readable: ") + view.Error.mid(disk.Path.size() + 2) +
                    QLatin1Char(')');
        }
        QString mounted;
        if (!view.Use.MountPoints.isEmpty())
            mounted = QStringLiteral("mounted: ") + view.Use.MountPoints.join(QStringLiteral(", "));
        rows << QStringList{QString::number(disk.Number), disk.Path, size, disk.Model, mounted};
    }
    if (rows.isEmpty())
        env.Op.Print(QStringLiteral("No disks found."));
    for (const QString& line : AlignedRows(rows))
        env.Op.Print(line);
    return 0;
}

// "disk show N": the geometry and the partition grid of disk N.
int DiskCommand(CommandEnvironment& env) {
    const QStringList& args = env.Args;
    if (args.size() != 2 || args.at(0) != QLatin1String("show"))
        throw UsageError{QStringLiteral("usage: disk show N")};
    const DiskView view =
        InspectDisk(ParseDiskNumber(args.at(1)), env.Session.Paths.ProgramDirectory);
    if (!view.Error.isEmpty()) {
        env.Op.ShowError(view.Error);
        return 1;
    }
    env.Op.Print(QStringLiteral("Harddisk %1: %2%3")
                     .arg(view.Disk.Number)
                     .arg(view.Disk.Path, view.Disk.Model.isEmpty()
                                              ? QString()
                                              : QStringLiteral("  ") + view.Disk.Model));
    for (const auto& [caption, value] : GeometryLines(view.Geometry))
        env.Op.Print(QStringLiteral("  ") + caption + QLatin1Char(' ') + value);
    QList<QStringList> rows{PartitionTable::GridHeader()};
    for (const PartitionRow& row : view.Table.Rows)
        rows << view.Table.GridCells(row);
    for (const QString& line : AlignedRows(rows))
        env.Op.Print(line);
    if (const QString refusal = WriteRefusal(view.Use); !refusal.isEmpty())
        env.Op.Print(QStringLiteral("Not a restore target: ") + refusal);
    return 0;
}

} // namespace orvane::cli
