#include "config/job_file.h"
#include "job_file_fixture.h"

#include <QDir>
#include <QFileInfo>
#include <unistd.h>

using namespace orvane;

namespace {

class JobFileLoadTest : public test::JobFileTest {};

// Every key with a value that differs from both the initial settings and the read defaults, in
// the spellings and blanks a hand-edited file has.
const char* const KHandWritten[] = {
    "; written by hand",
    "[Backup_files]",
    "Path0=/data/projects/",
    "Path1=  /Srv/Mixed Case/  ",
    "Path2=",
    "Path3=/home/",
    "[Excluded_files]",
    "Path0=/data/projects/tmp/",
    "[backup_time]",
    "hour = 0x05",
    "MINUTE=7",
    "[Backup_Day]",
    "Monday=0",
    "Tuesday=1",
    "Wednesday=0",
    "Thursday=2",
    "Friday=0",
    "Saturday=0",
    "Sunday=1",
    "[Options]",
    "Short Protocoll=0",
    "Append=1",
    "Autostart Backup=1",
    "Begin Backup at start=1",
    "Verify after Backup=1",
    "Eject Tape after Backup=1",
    "Send Protocoll Email after Backup=1",
    "Exit Orvane Backup=1",
    "Do before Backup=/usr/local/bin/pre-backup --quiet",
    "Do before Backup Wait Time=15",
    "Do after Backup=/usr/local/bin/post-backup",
    "Do after Backup Wait Time=3",
    "[Compressions]",
    "Softcompression=0",
    "Faktor=4",
    "[Proxy Settings]",
    "Proxy Server IP=10.0.0.1",
    "Proxy Port=3128",
    "[Restore Settings]",
    "Restore Path=/srv/restore/",
    "Restore Options=2",
    "[ Email Settings ]",
    "From=tape@example.org",
    "To=admin@example.org",
    "Subject=Nightly tape",
    "Host=mail.example.org",
    "UserId=tape",
    "Password=p=ss word",
};

TEST_F(JobFileLoadTest, AHandWrittenFileSetsEverySettingWithEitherLineEnd) {
    for (const char* lineEnd : {"\r\n", "\n"}) {
        QByteArray text;
        for (const char* line : KHandWritten)
            text += QByteArray(line) + lineEnd;
        Write(text);
        Settings s;
        const JobFileLoad load = LoadJobFile(Path(), s);
        SCOPED_TRACE(lineEnd[0] == '\r' ? "CR LF" : "LF");
        EXPECT_EQ(load.Error, "");
        EXPECT_FALSE(load.CreatedNewFile);
        EXPECT_EQ(s.BackupList, (QStringList{"/data/projects/", "/Srv/Mixed Case/", "/home/"}));
        EXPECT_EQ(s.ExcludeList, QStringList{"/data/projects/tmp/"});
        EXPECT_EQ(s.AutostartHour, 5);
        EXPECT_EQ(s.AutostartMinute, 7);
        EXPECT_EQ(s.BackupDays,
                  (std::array<bool, 7>{false, true, false, true, false, false, true}));
        EXPECT_FALSE(s.ShortProtocol);
        EXPECT_TRUE(s.Append);
        EXPECT_TRUE(s.AutostartBackup);
        EXPECT_TRUE(s.BackupAtStart);
        EXPECT_TRUE(s.VerifyAfterBackup);
        EXPECT_TRUE(s.EjectAfterBackup);
        EXPECT_TRUE(s.MailAfterBackup);
        EXPECT_TRUE(s.ExitAfterBackup);
        EXPECT_EQ(s.CommandBefore, "/usr/local/bin/pre-backup --quiet");
        EXPECT_EQ(s.CommandBeforeWait, "15");
        EXPECT_EQ(s.CommandAfter, "/usr/local/bin/post-backup");
        EXPECT_EQ(s.CommandAfterWait, "3");
        EXPECT_FALSE(s.SoftCompression);
        EXPECT_EQ(s.CompressionLevel, 4);
        EXPECT_EQ(s.ProxyServer, "10.0.0.1");
        EXPECT_EQ(s.ProxyPort, "3128");
        EXPECT_EQ(s.RestoreTarget, "/srv/restore/");
        EXPECT_EQ(s.RestoreOption, 2);
        EXPECT_EQ(s.MailFrom, "tape@example.org");
        EXPECT_EQ(s.MailTo, "admin@example.org");
        EXPECT_EQ(s.MailSubject, "Nightly tape");
        EXPECT_EQ(s.MailHost, "mail.example.org");
        EXPECT_EQ(s.MailUserId, "tape");
        EXPECT_EQ(s.MailPassword, "p=ss word");
    }
}

TEST_F(JobFileLoadTest, MissingKeysTakeTheirReadDefaults) {
    Write("[Options]\r\nAppend=1\r\n[Backup_Time]\r\nHour=not a number\r\n");
    Settings s;
    s.AutostartHour = 3;
    s.AutostartMinute = 4;
    s.BackupDays.fill(false);
    s.ShortProtocol = false;
    s.AutostartBackup = true;
    s.SoftCompression = false;
    s.CompressionLevel = 2;
    s.RestoreTarget = "/elsewhere/";
    s.RestoreOption = 1;
    s.MailSubject = "old";
    s.CommandBeforeWait = "9";
    s.ProxyPort = "81";
    s.BackupList = {"/old/"};
    s.ExcludeList = {"/old/tmp/"};
    EXPECT_EQ(LoadJobFile(Path(), s).Error, "");
    EXPECT_TRUE(s.Append);
    EXPECT_EQ(s.AutostartHour, 21);
    EXPECT_EQ(s.AutostartMinute, 30);
    EXPECT_EQ(s.BackupDays, (std::array<bool, 7>{true, true, true, true, true, true, true}));
    EXPECT_TRUE(s.ShortProtocol);
    EXPECT_FALSE(s.AutostartBackup);
    EXPECT_TRUE(s.SoftCompression);
    EXPECT_EQ(s.CompressionLevel, 9);
    EXPECT_EQ(s.RestoreTarget, "/tmp");
    EXPECT_EQ(s.RestoreOption, 0);
    EXPECT_EQ(s.MailSubject, "Orvane Backup Report");
    EXPECT_EQ(s.CommandBeforeWait, "0");
    EXPECT_EQ(s.ProxyPort, "0");
    EXPECT_TRUE(s.BackupList.isEmpty());
    EXPECT_TRUE(s.ExcludeList.isEmpty());
}

TEST_F(JobFileLoadTest, ListsEndAtTheFirstMissingLine) {
    struct Case {
        const char* Name;
        QByteArray Lines;
        QStringList Expected;
    };
    const Case cases[] = {
        {"a gap", "Path0=/a/\r\nPath1=/b/\r\nPath3=/d/\r\n", {"/a/", "/b/"}},
        {"no first line", "Path1=/b/\r\n", {}},
        {"a \"no Value\" line", "Path0=/a/\r\nPath1=no Value\r\nPath2=/c/\r\n", {"/a/"}},
        {"another case of it", "Path0=NO VALUE\r\nPath1=/b/\r\n", {"NO VALUE", "/b/"}},
        {"empty lines", "Path0=\r\nPath1= \r\nPath2=/c/\r\n", {"/c/"}},
        {"keys out of order", "Path1=/b/\r\npath0=/A/\r\n", {"/A/", "/b/"}},
        {"a leading zero", "Path0=/a/\r\nPath01=/b/\r\n", {"/a/"}},
        {"line ten",
         "Path0=/0/\r\nPath1=/1/\r\nPath2=/2/\r\nPath3=/3/\r\nPath4=/4/\r\n"
         "Path5=/5/\r\nPath6=/6/\r\nPath7=/7/\r\nPath8=/8/\r\nPath9=/9/\r\n"
         "Path10=/10/\r\n",
         {"/0/", "/1/", "/2/", "/3/", "/4/", "/5/", "/6/", "/7/", "/8/", "/9/", "/10/"}},
    };
    for (const Case& c : cases) {
        Write("[Backup_files]\r\n" + c.Lines + "[Excluded_files]\r\n" + c.Lines);
        Settings s;
        EXPECT_EQ(LoadJobFile(Path(), s).Error, "");
        EXPECT_EQ(s.BackupList, c.Expected) << c.Name;
        EXPECT_EQ(s.ExcludeList, c.Expected) << c.Name;
    }
}

// The port is kept as typed; a text that is no number stops nothing after it.
TEST_F(JobFileLoadTest, AProxyPortThatIsNoNumberEndsNothing) {
    Write("[Proxy Settings]\r\nProxy Port=eighty\r\n[Restore Settings]\r\nRestore Path=/r/\r\n"
          "[Email Settings]\r\nHost=mail\r\n[Backup_files]\r\nPath0=/a/\r\n");
    Settings s;
    EXPECT_EQ(LoadJobFile(Path(), s).Error, "");
    EXPECT_EQ(s.ProxyPort, "eighty");
    EXPECT_EQ(s.RestoreTarget, "/r/");
    EXPECT_EQ(s.MailHost, "mail");
    EXPECT_EQ(s.BackupList, QStringList{"/a/"});
}

TEST_F(JobFileLoadTest, LongValuesAreCut) {
    Write("[Email Settings]\r\nHost=" + QByteArray(3000, 'h') + "\r\n[Backup_files]\r\nPath0=/" +
          QByteArray(3000, 'p') + "\r\n");
    Settings s;
    EXPECT_EQ(LoadJobFile(Path(), s).Error, "");
    EXPECT_EQ(s.MailHost, QString(2047, 'h'));
    EXPECT_EQ(s.BackupList, QStringList{"/" + QString(2046, 'p')});
}

TEST_F(JobFileLoadTest, AMissingFileIsCreatedWithTheNewFileValues) {
    const mode_t oldMask = ::umask(0);
    Settings s;
    s.AutostartHour = 5;      // a new file takes the hour and minute as they are
    s.AutostartBackup = true; // and leaves every setting alone
    s.BackupList = {"/old/"};
    s.ExcludeList = {"/old/tmp/"};
    const JobFileLoad load = LoadJobFile(Path(), s);
    ::umask(oldMask);

    EXPECT_EQ(load.Error, "");
    EXPECT_TRUE(load.CreatedNewFile);
    EXPECT_EQ(Mode(Path()), 0600) << "the file holds the mail password";
    EXPECT_EQ(Read(), QByteArray("[Backup_files]\r\n"
                                 "Path0=/home/\r\n"
                                 "Path1=/etc/\r\n"
                                 "[Backup_Time]\r\n"
                                 "Hour=5\r\n"
                                 "Minute=30\r\n"
                                 "[Backup_Day]\r\n"
                                 "Monday=1\r\n"
                                 "Tuesday=1\r\n"
                                 "Wednesday=1\r\n"
                                 "Thursday=1\r\n"
                                 "Friday=1\r\n"
                                 "Saturday=1\r\n"
                                 "Sunday=1\r\n"
                                 "[Options]\r\n"
                                 "Short Protocoll=1\r\n"
                                 "Append=0\r\n"
                                 "Autostart Backup=0\r\n"
                                 "Begin Backup at start=0\r\n"
                                 "Verify after Backup=0\r\n"
                                 "Eject Tape after Backup=0\r\n"
                                 "Send Protocoll Email after Backup=0\r\n"
                                 "Exit Orvane Backup=0\r\n"
                                 "Do before Backup=\r\n"
                                 "Do before Backup Wait Time=0\r\n"
                                 "Do after Backup=\r\n"
                                 "Do after Backup Wait Time=0\r\n"
                                 "[Compressions]\r\n"
                                 "Softcompression=1\r\n"
                                 "Faktor=9\r\n"
                                 "[Proxy Settings]\r\n"
                                 "Proxy Server IP=\r\n"
                                 "Proxy Port=0\r\n"
                                 "[Restore Settings]\r\n"
                                 "Restore Path=/tmp/\r\n"
                                 "[Email Settings]\r\n"
                                 "From=\r\n"
                                 "To=\r\n"
                                 "Subject=Orvane Backup Report\r\n"
                                 "Host=\r\n"
                                 "UserId=\r\n"
                                 "Password=\r\n"));
    EXPECT_TRUE(s.AutostartBackup);
    EXPECT_EQ(s.AutostartHour, 5);
    EXPECT_EQ(s.BackupList, (QStringList{"/home/", "/etc/"}));
    EXPECT_TRUE(s.ExcludeList.isEmpty());

    Settings nextStart;
    const JobFileLoad again = LoadJobFile(Path(), nextStart);
    EXPECT_FALSE(again.CreatedNewFile);
    EXPECT_FALSE(nextStart.AutostartBackup);
    EXPECT_EQ(nextStart.AutostartHour, 5);
    EXPECT_EQ(nextStart.RestoreTarget, "/tmp/");
}

TEST_F(JobFileLoadTest, GarbageGivesDefaultsAndKeepsWhatCanBeRead) {
    QByteArray garbage;
    quint32 seed = 12345;
    for (int i = 0; i < 65536; ++i) {
        seed = seed * 1664525u + 1013904223u;
        garbage += char(seed >> 24);
    }
    Write(garbage + "\n[Options]\nAppend=1\n" + garbage);
    Settings s;
    s.AutostartBackup = true;
    const JobFileLoad load = LoadJobFile(Path(), s);
    EXPECT_EQ(load.Error, "");
    EXPECT_TRUE(s.Append);
    EXPECT_FALSE(s.AutostartBackup);
    EXPECT_EQ(s.AutostartHour, 21);
    EXPECT_TRUE(s.BackupList.isEmpty());
}

TEST_F(JobFileLoadTest, WhatIsNoJobFileGivesDefaultsAndAnError) {
    struct Case {
        const char* Name;
        void (*Make)(const QString& path);
    };
    const Case cases[] = {
        {"a directory", [](const QString& p) { QDir().mkpath(p); }},
        {"a FIFO", [](const QString& p) { ::mkfifo(QFile::encodeName(p).constData(), 0600); }},
        {"a file without read permission",
         [](const QString& p) {
             QFile file(p);
             file.open(QIODevice::WriteOnly);
             file.write("[Options]\r\nAppend=1\r\n");
             file.setPermissions(QFileDevice::WriteOwner);
         }},
    };
    for (const Case& c : cases) {
        if (QByteArray(c.Name).contains("permission") && ::geteuid() == 0)
            continue; // root reads it anyway
        const test::TempHome place;
        const QString file = place.File("jobs.job");
        c.Make(file);
        Settings s;
        s.AutostartBackup = true;
        s.BackupList = {"/old/"};
        const JobFileLoad load = LoadJobFile(file, s);
        EXPECT_TRUE(load.Error.contains(file)) << c.Name << ": " << load.Error.toStdString();
        EXPECT_FALSE(load.CreatedNewFile) << c.Name;
        EXPECT_FALSE(s.AutostartBackup) << c.Name;
        EXPECT_EQ(s.RestoreTarget, "/tmp") << c.Name;
        EXPECT_TRUE(s.BackupList.isEmpty()) << c.Name;
    }
}

TEST_F(JobFileLoadTest, AMissingDirectoryIsReportedAndChangesNoSetting) {
    const QString file = m_home.File("no/such/dir/jobs.job");
    Settings s;
    s.AutostartHour = 5;
    const JobFileLoad load = LoadJobFile(file, s);
    EXPECT_TRUE(load.Error.contains(file)) << load.Error.toStdString();
    EXPECT_FALSE(load.CreatedNewFile);
    EXPECT_EQ(s.AutostartHour, 5);
    EXPECT_TRUE(s.AutostartBackup);
    EXPECT_EQ(s.BackupList, (QStringList{"/home/", "/etc/"}));
    EXPECT_FALSE(QFileInfo::exists(file));
}

} // namespace
