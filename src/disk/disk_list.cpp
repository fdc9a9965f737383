#include "disk_list.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace orvane {

namespace {

QString SysfsText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLocal8Bit(file.readAll()).trimmed();
}

} // namespace

bool IsWholeDiskName(const QString& name) {
    static const QStringList notDisks = {QStringLiteral("loop"), QStringLiteral("ram"),
                                         QStringLiteral("zram"), QStringLiteral("dm-")};
    for (const QString& prefix : notDisks)
        if (name.startsWith(prefix))
            return false;
    return !name.isEmpty();
}

std::vector<DiskEntry> ListDisks() {
    std::vector<DiskEntry> disks;
    const QString directory = qEnvironmentVariable("ORVANE_DISKS");
    if (!directory.isEmpty()) {
        for (int n = 0;; ++n) {
            const QString path =
                QDir(directory).absoluteFilePath(QStringLiteral("disk%1.img").arg(n));
            if (!QFileInfo::exists(path))
                break;
            disks.push_back({n, path, QString()});
        }
        return disks;
    }
    const QDir sysBlock(QStringLiteral("/sys/block"));
    int n = 0;
    for (const QString& name : sysBlock.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        if (!IsWholeDiskName(name))
            continue;
        QString device = name;
        device.replace(QLatin1Char('!'), QLatin1Char('/')); // cciss!c0d0 is /dev/cciss/c0d0
        disks.push_back({n++, QStringLiteral("/dev/") + device,
                         SysfsText(sysBlock.filePath(name + QStringLiteral("/device/model")))});
    }
    return disks;
}

std::optional<DiskEntry> FindDisk(int number) {
    for (const DiskEntry& disk : ListDisks())
        if (disk.Number == number)
            return disk;
    return std::nullopt;
}

QString HardDiskEntry(int number) {
    return QStringLiteral("harddisk %1").arg(number);
}

std::optional<int> HardDiskEntryNumber(const QString& line) {
    if (!line.startsWith(QLatin1String("harddisk ")))
        return std::nullopt;
    bool ok = false;
    const int number = line.mid(9).toInt(&ok);
    if (!ok || number < 0)
        return std::nullopt;
    return number;
}

} // namespace orvane
