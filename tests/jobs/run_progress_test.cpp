#include "archive/backup_writer_fixture.h"
#include "jobs/restore_run.h"
#include "jobs/verify_run.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::test;

namespace {

// The reports of one run, from its start (nothing done) to its last report.
void ExpectOneRunMeasured(const std::vector<RunProgress>& reports, int64_t doneAtEnd,
                          int64_t total) {
    ASSERT_GE(reports.size(), 2u);
    EXPECT_EQ(reports.front().DoneBytes, 0);
    EXPECT_FALSE(reports.front().Final);
    for (size_t i = 1; i < reports.size(); ++i)
        EXPECT_GE(reports[i].DoneBytes, reports[i - 1].DoneBytes) << "report " << i;
    EXPECT_TRUE(reports.back().Final);
    EXPECT_EQ(std::count_if(reports.begin(), reports.end(),
                            [](const RunProgress& report) { return report.Final; }),
              1);
    EXPECT_EQ(reports.back().DoneBytes, doneAtEnd);
    EXPECT_EQ(reports.back().TotalBytes, total);
}

class RunProgressTest : public ::testing::Test {
protected:
    RunProgressTest() {
        m_fixture.MakeFile("tree/a.bin", Pattern(300000, 1));
        m_fixture.MakeFile("tree/sub/b.bin", Pattern(70000, 2));
        m_fixture.MakeFile("tree/skip/c.bin", Pattern(50000, 3));
        m_fixture.MakeFile("single.bin", Pattern(1234, 4));
        // The walk follows no link: the big file behind it is not part of the backup.
        m_fixture.MakeFile("outside/big.bin", Pattern(900000, 5));
        QFile::link(m_fixture.Source("outside/big.bin"), m_fixture.Source("tree/link.bin"));
        m_fixture.S().Settings.ExcludeList = {m_fixture.Source("tree/skip/")};
    }

    BackupFixture m_fixture;
    static constexpr int64_t BackedUpBytes = 300000 + 70000 + 1234;
};

TEST_F(RunProgressTest, ABackupKnowsItsTotalAheadAndEndsWithEverythingDone) {
    m_fixture.Backup({m_fixture.Source("tree/"), m_fixture.Source("single.bin")});
    ASSERT_FALSE(m_fixture.S().CancelFlag);
    ExpectOneRunMeasured(m_fixture.Op.RunReports, BackedUpBytes, BackedUpBytes);
}

TEST_F(RunProgressTest, RestoreAndVerifyMeasureTheTapeTheyRead) {
    m_fixture.Backup({m_fixture.Source("tree/"), m_fixture.Source("single.bin")});
    Session& session = m_fixture.S();
    QTemporaryDir target;
    session.Settings.RestoreTarget = target.path() + '/';
    session.Settings.RestoreList = {m_fixture.Source("tree/")};

    m_fixture.Op.RunReports.clear();
    RunRestore(session);
    ExpectOneRunMeasured(m_fixture.Op.RunReports, session.Counters.TapeBytes, -1);
    EXPECT_GE(session.Counters.TapeBytes, BackedUpBytes);

    m_fixture.Op.RunReports.clear();
    VerifyTape(session);
    ExpectOneRunMeasured(m_fixture.Op.RunReports, session.Counters.TapeBytes, -1);
}

} // namespace
