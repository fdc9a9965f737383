#include "integrations/zip_member_path.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

struct MemberCase {
    const char* Name;
    const char* Target; // nullptr: refused
};

class MemberTargetPathTest : public ::testing::TestWithParam<MemberCase> {};

TEST_P(MemberTargetPathTest, StaysBelowTheBaseDirectory) {
    const auto target =
        MemberTargetPath(QStringLiteral("/base/"), QString::fromUtf8(GetParam().Name));
    if (GetParam().Target == nullptr) {
        EXPECT_FALSE(target.has_value()) << target->toStdString();
    } else {
        ASSERT_TRUE(target.has_value());
        EXPECT_EQ(*target, QString::fromUtf8(GetParam().Target));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, MemberTargetPathTest,
    ::testing::Values(
        MemberCase{"file.txt", "/base/file.txt"}, MemberCase{"dir/file.txt", "/base/dir/file.txt"},
        MemberCase{"./dir//file.txt", "/base/dir/file.txt"}, MemberCase{"dir/", "/base/dir/"},
        MemberCase{"..file..txt", "/base/..file..txt"},
        // A backslash is part of a Linux file name, not a separator.
        MemberCase{"..\\x.txt", "/base/..\\x.txt"}, MemberCase{"c:x.txt", "/base/c:x.txt"},
        MemberCase{"../x.txt", nullptr}, MemberCase{"dir/../../x.txt", nullptr},
        MemberCase{"dir/../x.txt", nullptr}, MemberCase{"..", nullptr},
        MemberCase{"/etc/passwd", nullptr}, MemberCase{"", nullptr}, MemberCase{"./", nullptr}));

TEST(MemberTargetPath, BaseWithoutTrailingSlashGetsOne) {
    EXPECT_EQ(MemberTargetPath(QStringLiteral("/base"), QStringLiteral("a.txt")),
              QStringLiteral("/base/a.txt"));
}

} // namespace
} // namespace orvane
