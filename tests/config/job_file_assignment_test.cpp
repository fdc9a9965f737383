#include "config/job_file_assignment.h"

#include <gtest/gtest.h>

using namespace orvane;

namespace {

TEST(JobFileAssignment, SetsTheNamedSetting) {
    Settings s;
    EXPECT_TRUE(ApplyJobFileAssignment(s, "Email Settings/Password=a=b/c").Valid);
    EXPECT_EQ(s.MailPassword, "a=b/c");
    EXPECT_TRUE(ApplyJobFileAssignment(s, " backup_time / HOUR = 3 ").Valid);
    EXPECT_EQ(s.AutostartHour, 3);
    EXPECT_TRUE(ApplyJobFileAssignment(s, "Backup_files/Path1=/srv/").Valid);
    EXPECT_EQ(s.BackupList, (QStringList{"", "/srv/"}));
    const JobFileAssignment empty = ApplyJobFileAssignment(s, "Options/Do before Backup=");
    EXPECT_TRUE(empty.Valid);
    EXPECT_EQ(empty.Message, "");
}

TEST(JobFileAssignment, MalformedOrUnknownAssignmentsAreRefused) {
    const char* const refused[] = {
        "Options/Append",          "Append=1",         "=1", "Options/Bogus=1", "Nowhere/Append=1",
        "Backup_files/Path01=/x/", "Options=Append/1",
    };
    for (const char* assignment : refused) {
        Settings s;
        const JobFileAssignment set = ApplyJobFileAssignment(s, assignment);
        EXPECT_FALSE(set.Valid) << assignment;
        EXPECT_FALSE(set.Message.isEmpty()) << assignment;
        EXPECT_FALSE(set.Message.contains('\n')) << assignment;
        EXPECT_FALSE(s.Append);
    }
}

TEST(JobFileAssignment, ValuesNotTakenAsGivenGetANote) {
    struct Case {
        const char* Assignment;
        const char* Note;
    };
    const Case cases[] = {
        {"Backup_Time/Hour=99", "--set Backup_Time/Hour: 99 is out of range, 23 is used"},
        {"Options/Append=yes",
         "--set Options/Append: \"yes\" is not a valid value, the default 0 is used"},
        {"Restore Settings/Restore Options=7",
         "--set Restore Settings/Restore Options: \"7\" is not a valid value, the default 0 is "
         "used"},
    };
    for (const Case& c : cases) {
        Settings s;
        const JobFileAssignment set = ApplyJobFileAssignment(s, c.Assignment);
        EXPECT_TRUE(set.Valid) << c.Assignment;
        EXPECT_EQ(set.Message, c.Note);
    }
    Settings s;
    EXPECT_TRUE(ApplyJobFileAssignment(s, "Email Settings/Subject=" + QString(3000, 's'))
                    .Message.contains("2047"));
}

} // namespace
