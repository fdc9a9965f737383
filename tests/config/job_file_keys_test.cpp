#include "config/job_file_keys.h"

#include <gtest/gtest.h>

using namespace orvane;

namespace {

// The setting as the job file would write it.
QString Written(const Settings& settings, const char* section, const char* key) {
    const JobFileKey* entry = FindJobFileKey(section, key);
    return entry ? JobFileText(settings, *entry) : QStringLiteral("<no key>");
}

TEST(JobFileKeys, ValuesFollowTheJobFileRules) {
    struct Case {
        const char* Section;
        const char* Key;
        const char* Value;
        const char* Expected; // as written back
    };
    const Case cases[] = {
        // Booleans read as integers: any non-zero is true, anything else is the default.
        {"Options", "Append", "1", "1"},
        {"Options", "Append", "5", "1"},
        {"Options", "Append", "-1", "1"},
        {"Options", "Append", "0x10", "1"},
        {"Options", "Append", "yes", "0"},
        {"Options", "Append", "", "0"},
        {"Options", "Short Protocoll", "0", "0"},
        {"Options", "Short Protocoll", "true", "1"},
        {"Backup_Day", "Sunday", "0", "0"},
        {"Compressions", "Softcompression", "abc", "1"},
        // Integers: decimal or hexadecimal; out of range clamped as the spin edit shows it.
        {"Backup_Time", "Hour", " 7 ", "7"},
        {"Backup_Time", "Hour", "0x0A", "10"},
        {"Backup_Time", "Hour", "$17", "23"},
        {"Backup_Time", "Hour", "24", "23"},
        {"Backup_Time", "Hour", "-1", "0"},
        {"Backup_Time", "Hour", "seven", "21"},
        {"Backup_Time", "Minute", "60", "59"},
        {"Backup_Time", "Minute", "", "30"},
        {"Compressions", "Faktor", "0", "1"},
        {"Compressions", "Faktor", "10", "9"},
        {"Compressions", "Faktor", "4", "4"},
        // The restore option outside its three choices asks, never overwrites unasked.
        {"Restore Settings", "Restore Options", "2", "2"},
        {"Restore Settings", "Restore Options", "3", "0"},
        {"Restore Settings", "Restore Options", "-1", "0"},
        // Strings as they are, blanks around them dropped; names without regard to case.
        {"Restore Settings", "Restore Path", "  /srv/restore/  ", "/srv/restore/"},
        {"proxy settings", "PROXY PORT", "8080x", "8080x"},
        {"  Email Settings ", " password ", " s3cr=t ", "s3cr=t"},
    };
    for (const Case& c : cases) {
        Settings settings;
        EXPECT_TRUE(ApplyJobFileValue(settings, c.Section, c.Key, c.Value));
        EXPECT_EQ(Written(settings, c.Section, c.Key), c.Expected)
            << c.Section << "/" << c.Key << "=" << c.Value;
    }
}

TEST(JobFileKeys, StringsAreCutTo2047Characters) {
    Settings settings;
    EXPECT_EQ(TakeJobFileValue(settings, "Email Settings", "Subject", QString(3000, 'x')),
              JobValueOutcome::Cut);
    EXPECT_EQ(settings.MailSubject, QString(2047, 'x'));
    EXPECT_EQ(TakeJobFileValue(settings, "Backup_files", "Path0", QString(3000, 'p')),
              JobValueOutcome::Cut);
    EXPECT_EQ(settings.BackupList, QStringList{QString(2047, 'p')});
}

TEST(JobFileKeys, UnknownSectionsAndKeysChangeNothing) {
    const char* const unknown[][2] = {
        {"Options", "Bogus"},
        {"Nowhere", "Append"},
        {"Options", ""},
        {"", "Append"},
        {"Backup_Time", "Append"},
        {"Backup_files", "Path"},
        {"Backup_files", "Path01"},
        {"Backup_files", "PathX"},
        {"Backup_files", "Path-1"},
        {"Backup_files", "Path1000000"},
        {"Excluded_files", "Path 1"},
        {"Backup_files", "Hour"},
    };
    for (const auto& name : unknown) {
        Settings settings;
        EXPECT_FALSE(ApplyJobFileValue(settings, name[0], name[1], "1"))
            << name[0] << "/" << name[1];
        EXPECT_TRUE(settings.BackupList.isEmpty());
        EXPECT_TRUE(settings.ExcludeList.isEmpty());
        EXPECT_FALSE(settings.Append);
    }
}

TEST(JobFileKeys, PathKeysSetThatLineOfTheirList) {
    Settings settings;
    settings.BackupList = {"/home/", "/etc/"};
    EXPECT_TRUE(ApplyJobFileValue(settings, "Backup_files", "Path1", "/srv/"));
    EXPECT_TRUE(ApplyJobFileValue(settings, "backup_FILES", "path3", " /opt/ "));
    EXPECT_EQ(settings.BackupList, (QStringList{"/home/", "/srv/", "", "/opt/"}));

    EXPECT_TRUE(ApplyJobFileValue(settings, "Excluded_files", "Path0", "/home/tmp/"));
    EXPECT_TRUE(ApplyJobFileValue(settings, "Excluded_files", "Path10", "/var/cache/"));
    EXPECT_EQ(settings.ExcludeList.size(), 11);
    EXPECT_EQ(settings.ExcludeList.first(), "/home/tmp/");
    EXPECT_EQ(settings.ExcludeList.last(), "/var/cache/");
}

TEST(JobFileKeys, EveryDayHasItsOwnCheckBox) {
    const char* const days[] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                "Friday", "Saturday", "Sunday"};
    for (int day = 0; day < 7; ++day) {
        Settings settings;
        EXPECT_TRUE(ApplyJobFileValue(settings, "Backup_Day", days[day], "0"));
        for (int other = 0; other < 7; ++other)
            EXPECT_EQ(settings.BackupDays[other], other != day) << days[day];
    }
}

} // namespace
