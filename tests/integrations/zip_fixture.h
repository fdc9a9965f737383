#pragma once

#include "integrations/soft_compression.h"
#include "support/scripted_operator.h"
#include "support/temp_home.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <gtest/gtest.h>
#include <ostream>
#include <utility>
#include <vector>
#include <zip.h>

// Readable failure output for Qt values.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QDateTime& when, std::ostream* os) {
    *os << when.toString(Qt::ISODateWithMs).toStdString();
}

namespace orvane::test {

// A program directory with a work directory (holding the compression work file), a source and
// a target directory, and the operator that collects the component's messages.
class ZipFixture : public ::testing::Test {
protected:
    TempHome m_home;
    ScriptedOperator m_op;
    const QString m_work = m_home.File(QStringLiteral("worker/"));
    const QString m_sourceDir = m_home.File(QStringLiteral("source/"));
    const QString m_targetDir = m_home.File(QStringLiteral("target/"));
    SoftCompression m_zip{m_work + QStringLiteral("orvane_backup.zip")};

    void SetUp() override {
        for (const QString& dir : {m_work, m_sourceDir, m_targetDir})
            ASSERT_TRUE(QDir().mkpath(dir));
    }

    static QString WriteFile(const QString& path, const QByteArray& bytes) {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
        file.write(bytes);
        return path;
    }

    static QByteArray ReadFile(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static void SetModified(const QString& path, const QDateTime& when) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::Append));
        ASSERT_TRUE(file.setFileTime(when, QFileDevice::FileModificationTime));
    }

    // Plain text that deflates well but not trivially, so the levels differ.
    static QByteArray SampleText(int words) {
        static const char* vocabulary[] = {"tape",  "block", "catalog", "restore", "verify",
                                           "drive", "set",   "marker",  "record",  "file",
                                           "zip",   "level", "archive", "header",  "stream"};
        QByteArray text;
        quint32 state = 12345;
        for (int i = 0; i < words; ++i) {
            state = state * 1103515245u + 12345u;
            text += vocabulary[(state >> 16) % 15];
            text += (state >> 8) % 11 == 0 ? "\n" : " ";
            if ((state >> 4) % 7 == 0)
                text += QByteArray::number(state % 100000);
        }
        return text;
    }

    // An archive made directly with libzip, for member names our own packer would never write.
    static void WriteArchive(const QString& path,
                             const std::vector<std::pair<QByteArray, QByteArray>>& members) {
        int error = 0;
        zip_t* archive =
            zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        ASSERT_NE(archive, nullptr);
        for (const auto& [name, data] : members) {
            zip_source_t* source =
                zip_source_buffer(archive, data.constData(), zip_uint64_t(data.size()), 0);
            ASSERT_GE(zip_file_add(archive, name.constData(), source, ZIP_FL_ENC_GUESS), 0)
                << name.constData();
        }
        ASSERT_EQ(zip_close(archive), 0);
    }

    // Runs a standard tool; exit code and standard output.
    static std::pair<int, QString> Run(const QString& program, const QStringList& arguments) {
        QProcess process;
        process.start(program, arguments);
        if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit)
            return {-1, QString()};
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput())};
    }

    // Every file below `dir`, relative to it, sorted.
    static QStringList FilesBelow(const QString& dir) {
        QStringList files;
        QDir base(dir);
        const auto walk = [&](const auto& self, const QString& path) -> void {
            const QDir here(path);
            for (const QFileInfo& entry : here.entryInfoList(
                     QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)) {
                if (entry.isDir() && !entry.isSymLink())
                    self(self, entry.filePath());
                else
                    files << base.relativeFilePath(entry.filePath());
            }
        };
        walk(walk, dir);
        files.sort();
        return files;
    }
};

} // namespace orvane::test
