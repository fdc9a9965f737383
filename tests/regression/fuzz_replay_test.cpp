#include "job_file_harness.h"
#include "tape_harness.h"
#include "zip_unpack_harness.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace orvane::fuzz;

namespace {

// The seed corpus of a fuzz target (data the program wrote itself) and the inputs fuzzing found
// once to crash or hang, kept beside this test under the target's name.
enum class Origin { Seed, Found };

struct Input {
    QString Path;
    Origin From;
};

std::vector<Input> InputsOf(const char* target) {
    std::vector<Input> inputs;
    const std::pair<QString, Origin> places[] = {
        {QStringLiteral(ORVANE_SOURCE_DIR "/fuzz/corpus/"), Origin::Seed},
        {QStringLiteral(ORVANE_SOURCE_DIR "/tests/regression/"), Origin::Found}};
    for (const auto& [root, origin] : places) {
        const QDir dir(root + QLatin1String(target));
        for (const QString& name : dir.entryList(QDir::Files, QDir::Name))
            inputs.push_back({dir.filePath(name), origin});
    }
    return inputs;
}

QByteArray Content(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

// A run over a tape ends idle and leaves no work file behind. A tape the program wrote gives its
// catalog; any other tape gives a catalog or is refused in words, never an empty result in silence.
void ExpectCleanEnd(const TapeRun& run, Origin from) {
    EXPECT_TRUE(run.EndedIdle);
    if (from == Origin::Seed) {
        EXPECT_GT(run.CatalogFiles, 0u);
    } else {
        EXPECT_TRUE(run.CatalogFiles > 0 || !run.Boxes.isEmpty()) << "the run ends in words";
    }
    EXPECT_TRUE(run.WorkFilesLeft.isEmpty()) << run.WorkFilesLeft.join(' ').toStdString();
}

struct TapeTarget {
    const char* Name;
    TapeRun (*Run)(QByteArrayView);
};

void PrintTo(const TapeTarget& target, std::ostream* out) {
    *out << target.Name;
}

class TapeInputReplay : public ::testing::TestWithParam<TapeTarget> {};

TEST_P(TapeInputReplay, EveryInputEndsIdleInWordsWithoutLeftovers) {
    const std::vector<Input> inputs = InputsOf(GetParam().Name);
    EXPECT_FALSE(inputs.empty()) << "the seed corpus is there";
    for (const Input& input : inputs) {
        SCOPED_TRACE(input.Path.toStdString());
        ExpectCleanEnd(GetParam().Run(Content(input.Path)), input.From);
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, TapeInputReplay,
                         ::testing::Values(TapeTarget{"tape_records", RunRecordWalk},
                                           TapeTarget{"end_marker", RunFastCatalog},
                                           TapeTarget{"catalog_file", RunCatalogFile}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(ZipInputReplay, SeedsUnpackBothWaysAndFoundInputsRunThrough) {
    const std::vector<Input> inputs = InputsOf("zip_unpack");
    EXPECT_FALSE(inputs.empty()) << "the seed corpus is there";
    for (const Input& input : inputs) {
        SCOPED_TRACE(input.Path.toStdString());
        const ZipRun run = RunZipUnpack(Content(input.Path));
        if (input.From == Origin::Seed) {
            EXPECT_TRUE(run.FromMemory);
            EXPECT_TRUE(run.Streamed);
        }
    }
}

TEST(JobFileReplay, EveryInputLoadsAndSavesWithoutCrash) {
    const std::vector<Input> inputs = InputsOf("job_file");
    EXPECT_FALSE(inputs.empty()) << "the seed corpus is there";
    for (const Input& input : inputs) {
        SCOPED_TRACE(input.Path.toStdString());
        RunJobFile(Content(input.Path));
    }
}

} // namespace
