#include "catalog_hand_tape.h"
#include "jobs/catalog_load.h"
#include "jobs/restore_run.h"
#include "jobs/verify_run.h"
#include "support/tape_fixture.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::test;

namespace {

enum class Damage { LengthPastTheData, NoEndMarker, TruncatedAtABlockEnd, GarbageInBlock1 };
enum class Job { Restore, FastCatalog, SequentialCatalog, Verify };

std::string Name(Damage damage, Job job) {
    const char* damages[] = {"LengthPastTheData", "NoEndMarker", "TruncatedAtABlockEnd",
                             "GarbageInBlock1"};
    const char* jobs[] = {"Restore", "FastCatalog", "SequentialCatalog", "Verify"};
    return std::string(damages[int(damage)]) + "_" + jobs[int(job)];
}

class CorruptedTape : public ::testing::Test {
protected:
    CorruptedTape() {
        m_session.Start();
        m_session.DelayedStart();
        m_session.Settings.RestoreTarget = m_target;
        m_session.Settings.RestoreOption = 2;
        m_session.Settings.RestoreList = {"/"};
        // Every prompt for another tape is given up: there is no other tape.
        for (int i = 0; i < 20; ++i)
            m_fixture.Op.Answers.push_back(MessageAnswer::Cancel);
    }

    void WriteDamagedTape(Damage damage) {
        const QDateTime modified(QDate(2025, 1, 1), QTime(1, 2, 3));
        std::vector<HandRecord> records = {{"/data/ok.txt", "ok"},
                                           {"/data/more.txt", QByteArray(40000, 'm')}};
        switch (damage) {
        case Damage::LengthPastTheData:
            records.push_back({"/data/short", QByteArray(100, 's'), false, 5 * 32768});
            WriteHandTape(m_session, records, modified, {.Catalog = false, .EndMarker = false});
            break;
        case Damage::NoEndMarker:
            // The rest of the last block is zeros where the marker should be.
            WriteHandTape(m_session, records, modified, {.EndMarker = false});
            break;
        case Damage::TruncatedAtABlockEnd:
            // The first record fills block 1 exactly; the data end there.
            records[0].Data = QByteArray(32768 - 296, 'k');
            WriteHandTape(m_session, records, modified);
            ASSERT_TRUE(QFile::resize(m_fixture.Library->ImagePath("t1"), 2 * 32768));
            break;
        case Damage::GarbageInBlock1: {
            // Everything, the catalog included, lies in block 1.
            records[1].Data.resize(4000);
            WriteHandTape(m_session, records, modified);
            QFile image(m_fixture.Library->ImagePath("t1"));
            ASSERT_TRUE(image.open(QIODevice::ReadWrite));
            QByteArray garbage(32768, 0);
            QRandomGenerator random(42);
            random.fillRange(reinterpret_cast<quint32*>(garbage.data()), garbage.size() / 4);
            image.seek(32768);
            image.write(garbage);
            break;
        }
        }
    }

    SessionFixture m_fixture;
    Session& m_session = *m_fixture.Session;
    const QString m_target = m_fixture.Home.File("restore/");
};

class CorruptedTapeTest : public CorruptedTape,
                          public ::testing::WithParamInterface<std::tuple<Damage, Job>> {};

TEST_P(CorruptedTapeTest, EndsIdleWithWordsAndWritesNothingOutsideTheTarget) {
    const auto [damage, run] = GetParam();
    WriteDamagedTape(damage);
    m_fixture.Op.Boxes.clear();
    m_fixture.Op.BusyModes.clear();

    switch (run) {
    case Job::Restore:
        RunRestore(m_session);
        break;
    case Job::FastCatalog:
        LoadCatalogFast(m_session);
        break;
    case Job::SequentialCatalog:
        LoadCatalogSequential(m_session);
        break;
    case Job::Verify:
        VerifyTape(m_session);
        break;
    }

    EXPECT_FALSE(m_fixture.Op.Boxes.empty()) << "the operator is told";
    EXPECT_EQ(m_fixture.Op.BusyModes.back(), false);
    EXPECT_EQ(m_fixture.Op.ListLocks.back(), false);
    EXPECT_EQ(m_fixture.Op.BusyCursorDepth, 0);
    EXPECT_TRUE(FilesBelow(m_session.Paths.WorkDirectory).isEmpty())
        << FilesBelow(m_session.Paths.WorkDirectory).join(' ').toStdString();
    for (const QString& file : FilesBelow(m_fixture.Home.Path())) {
        EXPECT_TRUE(file.startsWith("vtape/") || file.startsWith("restore/") ||
                    file == "orvane_backup.log" || file == "orvane work.lock")
            << file.toStdString();
    }
    if (run != Job::Restore) {
        EXPECT_FALSE(QFileInfo::exists(m_target));
    }
    for (const QString& file : FilesBelow(m_target)) {
        EXPECT_FALSE(QFileInfo(file).fileName().startsWith(".orvane-restoring."))
            << "a broken-off copy is removed";
    }
}

// The reads that walk a set to its end say so when its data end before the end marker.
TEST_F(CorruptedTape, DataEndingBeforeTheMarkerIsNamedAsSuch) {
    WriteDamagedTape(Damage::TruncatedAtABlockEnd);
    const QString words =
        "The tape data ends before the end marker: the backup on this tape set is incomplete.";
    for (const Job run : {Job::Restore, Job::SequentialCatalog, Job::Verify}) {
        SCOPED_TRACE(int(run));
        m_fixture.Op.Boxes.clear();
        if (run == Job::Restore) {
            RunRestore(m_session);
            EXPECT_EQ(FilesBelow(m_target), QStringList{"data/ok.txt"});
        } else if (run == Job::Verify) {
            VerifyTape(m_session);
        } else {
            EXPECT_EQ(LoadCatalogSequential(m_session)->FileCount(), 1u);
        }
        EXPECT_TRUE(m_fixture.Op.BoxTexts().contains(words))
            << m_fixture.Op.BoxTexts().join('|').toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Damages, CorruptedTapeTest,
    ::testing::Combine(::testing::Values(Damage::LengthPastTheData, Damage::NoEndMarker,
                                         Damage::TruncatedAtABlockEnd, Damage::GarbageInBlock1),
                       ::testing::Values(Job::Restore, Job::FastCatalog, Job::SequentialCatalog,
                                         Job::Verify)),
    [](const auto& info) { return Name(std::get<0>(info.param), std::get<1>(info.param)); });

} // namespace
