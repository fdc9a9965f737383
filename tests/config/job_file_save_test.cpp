#include "config/job_file.h"
#include "job_file_fixture.h"

#include <QDir>
#include <QFileInfo>

using namespace orvane;

namespace {

class JobFileSaveTest : public test::JobFileTest {};

// Every setting away from its initial value and its read default.
Settings Changed() {
    Settings s;
    s.ShortProtocol = false;
    s.Append = true;
    s.AutostartBackup = false;
    s.SoftCompression = false;
    s.VerifyAfterBackup = true;
    s.EjectAfterBackup = true;
    s.ExitAfterBackup = true;
    s.MailAfterBackup = true;
    s.BackupAtStart = true;
    s.AutostartHour = 4;
    s.AutostartMinute = 45;
    s.CompressionLevel = 3;
    s.RestoreTarget = "/srv/restore/";
    s.RestoreOption = 1;
    s.CommandBefore = "/usr/bin/pre --flag";
    s.CommandBeforeWait = "10";
    s.CommandAfter = "/usr/bin/post";
    s.CommandAfterWait = "20";
    s.ProxyServer = "proxy.example.org";
    s.ProxyPort = "3128";
    s.MailFrom = "a@example.org";
    s.MailTo = "b@example.org";
    s.MailSubject = "Tape report";
    s.MailHost = "smtp.example.org";
    s.MailUserId = "backup";
    s.MailPassword = "blanks  inside=kept";
    s.BackupDays = {false, true, false, true, false, true, false};
    s.BackupList = {"/Home/", "", " ", "/etc/"};
    s.ExcludeList = {"/home/cache/", ""};
    return s;
}

QStringList SectionHeaders(const QByteArray& text) {
    QStringList headers;
    for (const QByteArray& line : text.split('\n'))
        if (line.startsWith('['))
            headers << QString::fromUtf8(line.trimmed());
    return headers;
}

TEST_F(JobFileSaveTest, SettingsAreWrittenInPlaceAndTheRestIsLeftAlone) {
    Write("; kept as it is\n"
          "[Backup_files]\n"
          "Path0=/Data/M\xFCller/\n"
          "Path2=/after/gap/\n"
          "[options]\n"
          " append = 1 \n"
          "Custom Key=kept\n"
          "\n"
          "[Email Settings]\n"
          "Password=old\n");
    Settings s;
    s.MailPassword = "new";
    s.BackupList = {"/not/saved/"}; // lists reach the file only through the Save command
    ASSERT_EQ(SaveJobFileSettings(Path(), s), "");
    EXPECT_EQ(Read(), QByteArray("; kept as it is\r\n"
                                 "[Backup_files]\r\n"
                                 "Path0=/Data/M\xFCller/\r\n"
                                 "Path2=/after/gap/\r\n"
                                 "[options]\r\n"
                                 "Append=0\r\n"
                                 "Custom Key=kept\r\n"
                                 "Short Protocoll=1\r\n"
                                 "Autostart Backup=1\r\n"
                                 "Begin Backup at start=0\r\n"
                                 "Verify after Backup=0\r\n"
                                 "Eject Tape after Backup=0\r\n"
                                 "Send Protocoll Email after Backup=0\r\n"
                                 "Exit Orvane Backup=0\r\n"
                                 "Do before Backup=\r\n"
                                 "Do before Backup Wait Time=0\r\n"
                                 "Do after Backup=\r\n"
                                 "Do after Backup Wait Time=0\r\n"
                                 "\r\n"
                                 "[Email Settings]\r\n"
                                 "Password=new\r\n"
                                 "From=\r\n"
                                 "To=\r\n"
                                 "Subject=\r\n"
                                 "Host=\r\n"
                                 "UserId=\r\n"
                                 "Port=25\r\n"
                                 "[Backup_Time]\r\n"
                                 "Hour=21\r\n"
                                 "Minute=30\r\n"
                                 "[Backup_Day]\r\n"
                                 "Monday=1\r\n"
                                 "Tuesday=1\r\n"
                                 "Wednesday=1\r\n"
                                 "Thursday=1\r\n"
                                 "Friday=1\r\n"
                                 "Saturday=1\r\n"
                                 "Sunday=1\r\n"
                                 "[Compressions]\r\n"
                                 "Softcompression=1\r\n"
                                 "Faktor=9\r\n"
                                 "[Proxy Settings]\r\n"
                                 "Proxy Server IP=\r\n"
                                 "Proxy Port=0\r\n"
                                 "[Restore Settings]\r\n"
                                 "Restore Path=/tmp/\r\n"
                                 "Restore Options=0\r\n"));
}

TEST_F(JobFileSaveTest, SettingsSurviveASaveAndALoad) {
    Settings saved = Changed();
    ASSERT_EQ(SaveJobFileLists(Path(), saved), "");
    EXPECT_EQ(saved.BackupList, (QStringList{"/Home/", "/etc/"})) << "normalised in place";
    EXPECT_EQ(saved.ExcludeList, QStringList{"/home/cache/"});
    Settings loaded;
    EXPECT_EQ(LoadJobFile(Path(), loaded).Error, "");
    EXPECT_EQ(Snapshot(loaded), Snapshot(saved));

    // A settings change afterwards keeps the lists of the file.
    saved.AutostartMinute = 5;
    saved.BackupList.clear();
    ASSERT_EQ(SaveJobFileSettings(Path(), saved), "");
    ASSERT_EQ(LoadJobFile(Path(), loaded).Error, "");
    EXPECT_EQ(loaded.AutostartMinute, 5);
    EXPECT_EQ(loaded.BackupList, (QStringList{"/Home/", "/etc/"}));
}

TEST_F(JobFileSaveTest, SaveReplacesTheFileWithListsFirst) {
    Write("[Obsolete]\r\nOld=1\r\n[Backup_files]\r\nPath0=/gone/\r\nPath1=/gone/too/\r\n");
    Settings s = Changed();
    ASSERT_EQ(SaveJobFileLists(Path(), s), "");
    const QByteArray text = Read();
    EXPECT_EQ(SectionHeaders(text),
              (QStringList{"[Backup_files]", "[Excluded_files]", "[Backup_Time]", "[Backup_Day]",
                           "[Options]", "[Compressions]", "[Proxy Settings]", "[Restore Settings]",
                           "[Email Settings]"}));
    EXPECT_TRUE(text.startsWith("[Backup_files]\r\nPath0=/Home/\r\nPath1=/etc/\r\n"
                                "[Excluded_files]\r\nPath0=/home/cache/\r\n"));
    EXPECT_FALSE(text.contains("gone"));
    EXPECT_FALSE(text.contains("Old"));

    s.ExcludeList = {" "};
    ASSERT_EQ(SaveJobFileLists(Path(), s), "");
    EXPECT_FALSE(Read().contains("[Excluded_files]")) << "an empty list writes no section";
}

TEST_F(JobFileSaveTest, AValueCannotAddLinesToTheFile) {
    Settings s;
    s.MailSubject = "Report\r\n[Backup_files]\nPath0=/";
    s.BackupList = {"/home/"};
    ASSERT_EQ(SaveJobFileLists(Path(), s), "");
    Settings loaded;
    ASSERT_EQ(LoadJobFile(Path(), loaded).Error, "");
    EXPECT_EQ(loaded.BackupList, QStringList{"/home/"});
    EXPECT_EQ(loaded.MailSubject, "Report  [Backup_files] Path0=/");
}

TEST_F(JobFileSaveTest, EveryWriteLeavesMode0600) {
    Write("[Options]\r\nAppend=1\r\n");
    QFile::setPermissions(Path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                      QFileDevice::ReadGroup | QFileDevice::ReadOther);
    ASSERT_EQ(Mode(Path()), 0644);
    Settings s;
    ASSERT_EQ(SaveJobFileSettings(Path(), s), "");
    EXPECT_EQ(Mode(Path()), 0600);
    ASSERT_EQ(SaveJobFileLists(Path(), s), "");
    EXPECT_EQ(Mode(Path()), 0600);
    const QString fresh = m_home.File("fresh.job");
    ASSERT_EQ(CreateNewJobFile(fresh), "");
    EXPECT_EQ(Mode(fresh), 0600);
}

TEST_F(JobFileSaveTest, FailedWritesAreReportedAndLoseNothing) {
    Settings s;
    const QString missingDir = m_home.File("no/such/dir/jobs.job");
    EXPECT_TRUE(SaveJobFileSettings(missingDir, s).contains(missingDir));
    EXPECT_TRUE(SaveJobFileLists(missingDir, s).contains(missingDir));
    EXPECT_TRUE(CreateNewJobFile(missingDir).contains(missingDir));

    // A job file that cannot be read is not overwritten: its lists would be lost.
    const QString directory = m_home.File("a directory.job");
    QDir().mkpath(directory);
    EXPECT_TRUE(SaveJobFileSettings(directory, s).contains(directory));
    EXPECT_TRUE(QFileInfo(directory).isDir());

    Write("[Backup_files]\r\nPath0=/precious/\r\n");
    EXPECT_TRUE(CreateNewJobFile(Path()).contains("exists"));
    EXPECT_EQ(Read(), "[Backup_files]\r\nPath0=/precious/\r\n");
}

TEST_F(JobFileSaveTest, AGarbageFileKeepsItsLinesThroughASettingsChange) {
    QByteArray garbage;
    quint32 seed = 777;
    for (int i = 0; i < 20000; ++i) {
        seed = seed * 1664525u + 1013904223u;
        garbage += char(seed >> 24);
    }
    Write(garbage);
    Settings s;
    s.Append = true;
    ASSERT_EQ(SaveJobFileSettings(Path(), s), "");
    QByteArray expected = garbage;
    expected.replace("\r\n", "\n");
    QByteArray saved = Read();
    saved.replace("\r\n", "\n");
    EXPECT_TRUE(saved.startsWith(expected)) << "every line as it was, in its place";
    Settings loaded;
    ASSERT_EQ(LoadJobFile(Path(), loaded).Error, "");
    EXPECT_TRUE(loaded.Append);
}

} // namespace
