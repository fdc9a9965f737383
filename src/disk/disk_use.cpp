#include "disk_use.h"

#include "platform/path_bytes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace orvane {

namespace {

QByteArray ReadSysfs(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray();
}

// "8:1" as a device number; 0 for anything else.
dev_t DeviceNumber(const QByteArray& text) {
    const QList<QByteArray> parts = text.trimmed().split(':');
    bool majorOk = false, minorOk = false;
    if (parts.size() != 2)
        return 0;
    const unsigned major = parts.at(0).toUInt(&majorOk);
    const unsigned minor = parts.at(1).toUInt(&minorOk);
    return majorOk && minorOk ? makedev(major, minor) : 0;
}

QString DecodeOctalEscapes(const QByteArray& field) {
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field.at(i) == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int value = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok && value < 256) {
                out += char(value);
                i += 3;
                continue;
            }
        }
        out += field.at(i);
    }
    return PathFromBytes(out);
}

// The sysfs directory of a block device, /sys/dev/block/MAJ:MIN resolved.
QString SysfsDirectory(dev_t device) {
    return QFileInfo(QStringLiteral("/sys/dev/block/%1:%2").arg(major(device)).arg(minor(device)))
        .canonicalFilePath();
}

// The device and, behind it, what is built on it (holders), recursively.
void AddWithHolders(const QString& sysfsDirectory, std::vector<dev_t>& devices) {
    const dev_t device = DeviceNumber(ReadSysfs(sysfsDirectory + QStringLiteral("/dev")));
    if (device == 0 || std::find(devices.begin(), devices.end(), device) != devices.end())
        return;
    devices.push_back(device);
    const QDir holders(sysfsDirectory + QStringLiteral("/holders"));
    for (const QString& holder : holders.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        AddWithHolders(QFileInfo(holders.filePath(holder)).canonicalFilePath(), devices);
}

// The block devices that are the disk: itself when it is one, else the loop devices whose
// backing file it is.
QStringList DiskDirectories(const QString& diskPath) {
    struct stat info {};
    if (::stat(PathToBytes(diskPath).constData(), &info) != 0)
        return {};
    if (S_ISBLK(info.st_mode))
        return {SysfsDirectory(info.st_rdev)};
    QStringList loops;
    const QString canonical = QFileInfo(diskPath).canonicalFilePath();
    const QDir sysBlock(QStringLiteral("/sys/block"));
    for (const QString& name : sysBlock.entryList({QStringLiteral("loop*")}, QDir::Dirs)) {
        const QByteArray backing =
            ReadSysfs(sysBlock.filePath(name + QStringLiteral("/loop/backing_file")));
        if (!backing.isEmpty() && PathFromBytes(backing) == canonical)
            loops << QFileInfo(sysBlock.filePath(name)).canonicalFilePath();
    }
    return loops;
}

bool Contains(const std::vector<dev_t>& devices, dev_t device) {
    return std::find(devices.begin(), devices.end(), device) != devices.end();
}

} // namespace

std::vector<MountEntry> ParseMountInfo(const QByteArray& mountInfo) {
    std::vector<MountEntry> mounts;
    for (const QByteArray& line : mountInfo.split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 5)
            continue;
        if (const dev_t device = DeviceNumber(fields.at(2)); device != 0)
            mounts.push_back({device, DecodeOctalEscapes(fields.at(4))});
    }
    return mounts;
}

QString DiskUse::MountPointsAt(int64_t startByte) const {
    for (const Partition& partition : Partitions)
        if (partition.StartByte == startByte)
            return partition.MountPoints.join(QStringLiteral(", "));
    return QString();
}

DiskUse FindDiskUse(const QString& diskPath, const QString& programDirectory) {
    DiskUse use;
    QFile mountFile(QStringLiteral("/proc/self/mountinfo"));
    const std::vector<MountEntry> mounts =
        ParseMountInfo(mountFile.open(QIODevice::ReadOnly) ? mountFile.readAll() : QByteArray());
    auto mountPointsOf = [&](const std::vector<dev_t>& devices) {
        QStringList points;
        for (const MountEntry& mount : mounts)
            if (Contains(devices, mount.Device) && !points.contains(mount.MountPoint))
                points << mount.MountPoint;
        return points;
    };

    for (const QString& directory : DiskDirectories(diskPath)) {
        if (directory.isEmpty())
            continue;
        AddWithHolders(directory, use.Devices);
        const QDir disk(directory);
        for (const QString& name : disk.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            const QString part = disk.filePath(name);
            if (!QFileInfo::exists(part + QStringLiteral("/partition")))
                continue;
            std::vector<dev_t> partDevices;
            AddWithHolders(part, partDevices);
            use.Devices.insert(use.Devices.end(), partDevices.begin(), partDevices.end());
            // sysfs counts partition starts in 512-byte units whatever the sector size.
            use.Partitions.push_back({ReadSysfs(part + QStringLiteral("/start")).toLongLong() * 512,
                                      mountPointsOf(partDevices)});
        }
    }
    use.MountPoints = mountPointsOf(use.Devices);

    // "/" is on the disk when the device mounted there, or the one its files report, is.
    std::vector<dev_t> rootDevices;
    for (const MountEntry& mount : mounts)
        if (mount.MountPoint == QLatin1String("/"))
            rootDevices.push_back(mount.Device);
    struct stat info {};
    if (::stat("/", &info) == 0)
        rootDevices.push_back(info.st_dev);
    use.HoldsRoot = std::any_of(rootDevices.begin(), rootDevices.end(),
                                [&](dev_t device) { return Contains(use.Devices, device); });
    use.HoldsProgramDirectory = ::stat(PathToBytes(programDirectory).constData(), &info) == 0 &&
                                Contains(use.Devices, info.st_dev);
    return use;
}

int64_t SysfsSectorCount(const QString& diskPath) {
    struct stat info {};
    if (::stat(PathToBytes(diskPath).constData(), &info) != 0 || !S_ISBLK(info.st_mode))
        return 0;
    return ReadSysfs(SysfsDirectory(info.st_rdev) + QStringLiteral("/size")).toLongLong();
}

QString WriteRefusal(const DiskUse& use) {
    if (use.HoldsRoot)
        return QStringLiteral("This Disk contains the Root Directory / and can not be selected!");
    if (use.HoldsProgramDirectory)
        return QStringLiteral("This Disk contains the Orvane Work Directory and can not be "
                              "selected!");
    if (!use.MountPoints.isEmpty())
        return QStringLiteral("This Disk is mounted (%1) and can not be selected!")
            .arg(use.MountPoints.join(QStringLiteral(", ")));
    return QString();
}

} // namespace orvane
