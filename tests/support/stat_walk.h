#pragma once

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QStringList>
#include <dirent.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace orvane::test {

// What `tar -tv --xattrs --acls` sees of a tree, one line per entry below `root` (and the root
// itself as "."), sorted: type and mode, owner, size (not of directories), modification time to
// the nanosecond, link count, link target and the extended attributes with their values.
inline QStringList StatWalk(const QString& root) {
    QStringList lines;
    const auto describe = [&lines, &root](const QByteArray& path) {
        struct stat info {};
        if (::lstat(path.constData(), &info) != 0)
            return;
        const bool directory = S_ISDIR(info.st_mode);
        QByteArray target(4096, '\0');
        const ssize_t length = ::readlink(path.constData(), target.data(), target.size());
        target.resize(length > 0 ? length : 0);
        QByteArray names(65536, '\0');
        const ssize_t listed = ::llistxattr(path.constData(), names.data(), names.size());
        QStringList attributes;
        for (const QByteArray& name : names.left(listed > 0 ? listed : 0).split('\0')) {
            if (name.isEmpty())
                continue;
            QByteArray value(65536, '\0');
            const ssize_t got =
                ::lgetxattr(path.constData(), name.constData(), value.data(), value.size());
            attributes << QString::fromUtf8(name + '=' + value.left(got > 0 ? got : 0).toHex());
        }
        attributes.sort();
        const QString relative = QDir(root).relativeFilePath(QString::fromUtf8(path));
        lines << QStringLiteral("%1 %2 %3:%4 %5 %6.%7 %8 %9 %10")
                     .arg(relative.isEmpty() ? QStringLiteral(".") : relative)
                     .arg(info.st_mode, 0, 8)
                     .arg(info.st_uid)
                     .arg(info.st_gid)
                     .arg(directory ? QStringLiteral("-") : QString::number(info.st_size))
                     .arg(info.st_mtim.tv_sec)
                     .arg(info.st_mtim.tv_nsec, 9, 10, QLatin1Char('0'))
                     .arg(directory ? QStringLiteral("-") : QString::number(info.st_nlink))
                     .arg(QString::fromUtf8(target), attributes.join(QLatin1Char(',')));
    };
    QStringList pending{root};
    while (!pending.isEmpty()) {
        const QString directory = pending.takeLast();
        describe(directory.toUtf8());
        DIR* dir = ::opendir(directory.toUtf8().constData());
        if (!dir)
            continue;
        while (const dirent* entry = ::readdir(dir)) {
            const QByteArray name(entry->d_name);
            if (name == "." || name == "..")
                continue;
            const QByteArray path = directory.toUtf8() + '/' + name;
            struct stat info {};
            if (::lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode))
                pending << QString::fromUtf8(path);
            else
                describe(path);
        }
        ::closedir(dir);
    }
    lines.sort();
    return lines;
}

} // namespace orvane::test
