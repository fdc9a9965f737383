#include "window_fixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace orvane;

namespace {

// `orvane JOBFILE [start]`: the delayed start-up applies the job file and may begin a backup.
class StartArgumentsTest : public test::WindowFixture {
protected:
    void WriteJob(bool backupAtStart, const QString& options = QString()) {
        QDir().mkpath(m_home.File("src"));
        QFile source(m_home.File("src/a.txt"));
        ASSERT_TRUE(source.open(QIODevice::WriteOnly));
        source.write("some data");
        source.close();
        QFile job(m_job);
        ASSERT_TRUE(job.open(QIODevice::WriteOnly));
        job.write(QStringLiteral("[Options]\r\nBegin Backup at start=%1\r\n%2[Backup_files]\r\n"
                                 "Path0=%3\r\n")
                      .arg(backupAtStart ? 1 : 0)
                      .arg(options)
                      .arg(m_home.File("src/"))
                      .toUtf8());
    }

    bool BackupWritten() const {
        return QFileInfo(m_library->ImagePath(m_cartridge)).size() > 32768;
    }

    // A fresh cartridge in the drive.
    void LoadNewCartridge(const QString& name) {
        m_cartridge = name;
        m_library->Eject();
        ASSERT_TRUE(m_library->CreateCartridge(name, 32768 * 1000, 1, false).isEmpty());
        ASSERT_TRUE(m_library->Insert(name).isEmpty());
    }

    void StartWith(const QString& jobFile, const QString& startWord) {
        StartOptions options = Options();
        options.JobFileArgument = jobFile;
        options.StartArgument = startWord;
        m_window = std::make_unique<THauptmenu>(options);
        m_window->Timer2Timer();
    }

    QString m_job = m_home.File("night.job");
    QString m_cartridge = QStringLiteral("t1");
};

TEST_F(StartArgumentsTest, TheJobFileAndTheStartWordDecideTheBackupAtStart) {
    const struct {
        const char* Name;
        bool BackupAtStart;
        const char* JobFile; // relative to the home; "" for none
        const char* StartWord;
        bool Written;
    } cases[] = {
        {"start in any case", false, "night.job", "START", true},
        {"the job file asks for it", true, "night.job", "", true},
        {"neither", false, "night.job", "later", false},
        {"a job file that does not exist is ignored", true, "none.job", "start", false},
    };
    int cartridge = 0;
    for (const auto& c : cases) {
        LoadNewCartridge(QStringLiteral("c%1").arg(++cartridge));
        WriteJob(c.BackupAtStart);
        StartWith(m_home.File(c.JobFile), c.StartWord);
        EXPECT_EQ(BackupWritten(), c.Written) << c.Name;
        if (QFileInfo::exists(m_home.File(c.JobFile))) {
            EXPECT_EQ(m_window->Session().JobFilePath, m_home.File(c.JobFile)) << c.Name;
        }
        EXPECT_FALSE(m_window->Busy()) << c.Name;
        m_window.reset();
    }
}

TEST_F(StartArgumentsTest, ExitAfterBackupClosesTheWindow) {
    WriteJob(true, "Exit Orvane Backup=1\r\n");
    StartWith(m_job, QString());
    m_window->show();
    ASSERT_TRUE(BackupWritten());
    QCoreApplication::processEvents();
    EXPECT_FALSE(m_window->isVisible());
}

} // namespace
