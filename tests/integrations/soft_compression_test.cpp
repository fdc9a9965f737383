#include "integrations/soft_compression.h"
#include "integrations/zip_engine_info.h"
#include "support/scripted_operator.h"

#include <gtest/gtest.h>
#include <zip.h>

namespace orvane::test {
namespace {

struct SizeCase {
    bool SoftCompression;
    qint64 Size;
    bool Applies;
};

class SoftCompressionAppliesTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(SoftCompressionAppliesTest, OnlyNonEmptyFilesBelowTheLimitWithTheSettingOn) {
    EXPECT_EQ(SoftCompression::Applies(GetParam().SoftCompression, GetParam().Size),
              GetParam().Applies);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, SoftCompressionAppliesTest,
    ::testing::Values(SizeCase{true, 1, true}, SizeCase{true, 1999999999, true},
                      SizeCase{true, 0, false}, SizeCase{true, 2000000000, false},
                      SizeCase{true, 5'000'000'000, false}, SizeCase{false, 1000, false}));

TEST(SoftCompression, StartsAtTheTightestLevel) {
    EXPECT_EQ(SoftCompression(QStringLiteral("/w/orvane_backup.zip")).Level(), 9);
}

TEST(ZipMaster1Message, ShowsOnlyMessagesWithAnErrorCode) {
    ScriptedOperator op;
    ZipMaster1Message(op, 0, QStringLiteral("progress"));
    ZipMaster1Message(op, ZIP_ER_CRC, QStringLiteral("CRC error"));
    ASSERT_EQ(op.Boxes.size(), 1u);
    EXPECT_EQ(op.Boxes[0].Text, QStringLiteral("CRC error"));
    EXPECT_EQ(op.Boxes[0].Icon, MessageIcon::None);
}

TEST(DllInfo, ShowsBothEngineVersions) {
    ScriptedOperator op;
    ShowDllInfo(op);
    const QString version = QString::fromLatin1(zip_libzip_version());
    ASSERT_EQ(op.Boxes.size(), 1u);
    EXPECT_EQ(op.Boxes[0].Text, QStringLiteral("ZIPDLL version: ") + version +
                                    QStringLiteral("\r\n\r\nUNZDLL version: ") + version);
    EXPECT_EQ(op.Boxes[0].Buttons, MessageButtons::Ok);
}

} // namespace
} // namespace orvane::test
