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
        session.Start();
        session.DelayedStart();
        session.settings.RestoreTarget = target;
        session.settings.RestoreOption = 2;
        session.settings.RestoreList = {"/"};
        // Every prompt for another tape is given up: there is no other tape.
        for (int i = 0; i < 20; ++i)
            fixture.op.answers.push_back(MessageAnswer::Cancel);
    }

    void WriteDamagedTape(Damage damage) {
        const QDateTime modified(QDate(2025, 1, 1), QTime(1, 2, 3));
        std::vector<HandRecord> records = {{"/data/ok.txt", "ok"},
                                           {"/data/more.txt", QByteArray(40000, 'm')}};
        switch (damage) {
        case Damage::LengthPastTheData:
            records.push_back({"/data/short", QByteArray(100, 's'), false, 5 * 32768});
            WriteHandTape(session, records, modified, {.catalog = false, .endMarker = false});
            break;
        case Damage::NoEndMarker:
            // The rest of the last block is zeros where the marker should be.
            WriteHandTape(session, records, modified, {.endMarker = false});
            break;
        case Damage::TruncatedAtABlockEnd:
            // The first record fills block 1 exactly; the data end there.
            records[0].data = QByteArray(32768 - 296, 'k');
            WriteHandTape(session, records, modified);
            ASSERT_TRUE(QFile::resize(fixture.library->imagePath("t1"), 2 * 32768));
            break;
        case Damage::GarbageInBlock1: {
            // Everything, the catalog included, lies in block 1.
            records[1].data.resize(4000);
            WriteHandTape(session, records, modified);
            QFile image(fixture.library->imagePath("t1"));
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

    SessionFixture fixture;
    Session& session = *fixture.session;
    const QString target = fixture.home.file("restore/");
};

class CorruptedTapeTest : public CorruptedTape,
                          public ::testing::WithParamInterface<std::tuple<Damage, Job>> {};

TEST_P(CorruptedTapeTest, EndsIdleWithWordsAndWritesNothingOutsideTheTarget) {
    const auto [damage, run] = GetParam();
    WriteDamagedTape(damage);
    fixture.op.boxes.clear();
    fixture.op.busyModes.clear();

    switch (run) {
    case Job::Restore:
        RunRestore(session);
        break;
    case Job::FastCatalog:
        LoadCatalogFast(session);
        break;
    case Job::SequentialCatalog:
        LoadCatalogSequential(session);
        break;
    case Job::Verify:
        VerifyTape(session);
        break;
    }

    EXPECT_FALSE(fixture.op.boxes.empty()) << "the operator is told";
    EXPECT_EQ(fixture.op.busyModes.back(), false);
    EXPECT_EQ(fixture.op.listLocks.back(), false);
    EXPECT_EQ(fixture.op.busyCursorDepth, 0);
    EXPECT_TRUE(FilesBelow(session.paths.WorkDirectory).isEmpty())
        << FilesBelow(session.paths.WorkDirectory).join(' ').toStdString();
    for (const QString& file : FilesBelow(fixture.home.path())) {
        EXPECT_TRUE(file.startsWith("vtape/") || file.startsWith("restore/") ||
                    file == "orvane_backup.log")
            << file.toStdString();
    }
    if (run != Job::Restore) {
        EXPECT_FALSE(QFileInfo::exists(target));
    }
    for (const QString& file : FilesBelow(target)) {
        EXPECT_FALSE(file.endsWith(".orvane-restoring.part")) << "a broken-off copy is removed";
    }
}

// The reads that walk a set to its end say so when its data end before the end marker.
TEST_F(CorruptedTape, DataEndingBeforeTheMarkerIsNamedAsSuch) {
    WriteDamagedTape(Damage::TruncatedAtABlockEnd);
    const QString words =
        "The tape data ends before the end marker: the backup on this tape set is incomplete.";
    for (const Job run : {Job::Restore, Job::SequentialCatalog, Job::Verify}) {
        SCOPED_TRACE(int(run));
        fixture.op.boxes.clear();
        if (run == Job::Restore) {
            RunRestore(session);
            EXPECT_EQ(FilesBelow(target), QStringList{"data/ok.txt"});
        } else if (run == Job::Verify) {
            VerifyTape(session);
        } else {
            EXPECT_EQ(LoadCatalogSequential(session)->fileCount(), 1u);
        }
        EXPECT_TRUE(fixture.op.boxTexts().contains(words))
            << fixture.op.boxTexts().join('|').toStdString();
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
