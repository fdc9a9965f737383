#pragma once

#include "config/job_file_keys.h"
#include "config/settings.h"
#include "support/temp_home.h"

#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace orvane::test {

// A program directory with a job file path in it.
class JobFileTest : public ::testing::Test {
protected:
    QString Path() const { return m_home.File(QStringLiteral("jobs.job")); }

    void Write(const QByteArray& bytes) const {
        QFile file(Path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray Read() const {
        QFile file(Path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }

    static int Mode(const QString& file) {
        struct stat status {};
        return ::stat(QFile::encodeName(file).constData(), &status) == 0 ? status.st_mode & 0777
                                                                         : -1;
    }

    // Every setting as the job file writes it, and both lists, for comparing two settings.
    static std::string Snapshot(const Settings& settings) {
        QStringList lines;
        for (const JobFileKey& key : JobFileKeys())
            if (key.Type != JobValueType::PathList)
                lines << key.Section + QLatin1Char('/') + key.Key + QLatin1Char('=') +
                             JobFileText(settings, key);
        lines << QStringLiteral("backup: ") + settings.BackupList.join(QLatin1Char('|'));
        lines << QStringLiteral("exclude: ") + settings.ExcludeList.join(QLatin1Char('|'));
        return lines.join(QLatin1Char('\n')).toStdString();
    }

    TempHome m_home;
};

} // namespace orvane::test
