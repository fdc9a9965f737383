#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <sys/mount.h>

namespace orvane::test {

// A real file system of `bytes` bytes (tmpfs) mounted on `directory` for the life of the object,
// so that a test can fill a disk. Needs the right to mount; Mounted() says whether it worked.
class SmallFileSystem {
public:
    SmallFileSystem(const QString& directory, int bytes)
        : m_directory(QFile::encodeName(directory)) {
        QDir().mkpath(directory);
        const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0755";
        m_mounted = ::mount("orvane-test", m_directory.constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                            options.constData()) == 0;
    }
    ~SmallFileSystem() {
        if (m_mounted)
            ::umount2(m_directory.constData(), MNT_DETACH);
    }
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool Mounted() const { return m_mounted; }

private:
    QByteArray m_directory;
    bool m_mounted = false;
};

} // namespace orvane::test
