#include "platform/path_bytes.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

struct NameCase {
    const char* What;
    QByteArray Bytes;
    QString Shown;
};

// Each name comes back byte for byte; what a person sees decodes what can be decoded.
TEST(PathBytes, EveryNameComesBackByteForByte) {
    const NameCase cases[] = {
        {"plain", "/data/a.txt", QStringLiteral("/data/a.txt")},
        {"valid UTF-8", "/data/caf\xc3\xa9 \xe6\x97\xa5.txt", QStringLiteral("/data/café 日.txt")},
        {"beyond U+FFFF", "/\xf0\x90\x82\x80\xf0\x9f\x98\x80", QStringLiteral("/\U00010080😀")},
        {"Latin-1 byte", "/data/caf\xe9.txt", QStringLiteral("/data/caf\\xE9.txt")},
        {"byte order mark bytes", "/\xff\xfe", QStringLiteral("/\\xFF\\xFE")},
        {"cut sequence", "/a\xc3", QStringLiteral("/a\\xC3")},
        {"overlong slash", "/\xc0\xaf", QStringLiteral("/\\xC0\\xAF")},
        {"encoded surrogate", "/\xed\xb2\x80", QStringLiteral("/\\xED\\xB2\\x80")},
        {"beyond U+10FFFF", "/\xf4\x90\x80\x80", QStringLiteral("/\\xF4\\x90\\x80\\x80")},
        {"backslash and newline", "/a\\b\nc", QStringLiteral("/a\\b\nc")},
        {"mixed", "\xe9\xc3\xa9\xe9", QStringLiteral("\\xE9é\\xE9")},
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.What);
        const QString text = PathFromBytes(c.Bytes);
        EXPECT_EQ(PathToBytes(text), c.Bytes);
        EXPECT_EQ(DisplayPath(text), c.Shown);
        EXPECT_EQ(DisplayPath(QByteArrayView(c.Bytes)), c.Shown);
    }
}

TEST(PathBytes, ValidUtf8ReadsAsItsText) {
    const QByteArray bytes = "/home/\xc3\xbc\x62\x65r/\xe2\x82\xac";
    EXPECT_EQ(PathFromBytes(bytes), QString::fromUtf8(bytes));
    EXPECT_EQ(PathToBytes(QStringLiteral("/home/über/€")),
              QByteArray("/home/\xc3\xbc\x62\x65r/\xe2\x82\xac"));
}

TEST(PathBytes, EveryByteValueSurvivesAlone) {
    for (int value = 1; value < 256; ++value) {
        const QByteArray bytes(1, char(value));
        EXPECT_EQ(PathToBytes(PathFromBytes(bytes)), bytes) << value;
    }
}

} // namespace
} // namespace orvane
