#include "jobs/catalog_paths.h"
#include "jobs/restore_match.h"

#include <gtest/gtest.h>

using namespace orvane;

namespace {

struct MatchCase {
    const char* TapePath;
    const char* Line;
    RestoreSelection Expected;
};

TEST(MatchRestoreLine, SelectsByFileLineOrDirectoryPrefix) {
    using enum RestoreSelection;
    const MatchCase cases[] = {
        // A file line selects exactly its path, case included.
        {"/home/ann/a.txt", "/home/ann/a.txt", Selected},
        {"/home/ann/A.txt", "/home/ann/a.txt", NotSelected},
        {"/home/ann/a.txt.bak", "/home/ann/a.txt", NotSelected},
        {"/home/ann/a.txt", "/home/ann", NotSelected},
        // A directory line selects the paths that begin with it, at any depth.
        {"/home/ann/a.txt", "/home/ann/", Selected},
        {"/home/ann/deep/er/b.txt", "/home/ann/", Selected},
        {"/home/ann/a.txt", "/", Selected},
        {"/home/Ann/a.txt", "/home/ann/", NotSelected},
        {"/home/annex/a.txt", "/home/ann/", NotSelected},
        // ... and never a path that merely holds it somewhere inside.
        {"/backup/home/ann/a.txt", "/home/ann/", NotSelected},
        {"/home/ann/a.txt", "ann/", NotSelected},
        // Non-ASCII names are compared as the file system stores them.
        {"/daten/gr\xc3\xb6\xc3\x9f"
         "e.txt",
         "/daten/gr\xc3\xb6\xc3\x9f"
         "e.txt",
         Selected},
        // Drive-letter tapes take lines in their own form.
        {"c:\\data\\a.txt", "c:\\data\\", Selected},
        {"c:\\data\\sub\\a.txt", "c:\\", Selected},
        {"c:\\data\\a.txt", "c:\\data\\a.txt", Selected},
        {"c:\\data\\a.txt", "C:\\data\\", NotSelected},
        {"c:\\data\\a.txt", "/", NotSelected},
        {"c:\\daten\\gr\xf6\xdf"
         "e.txt",
         "c:\\daten\\", Selected},
        // A selected path that climbs out of its directory is refused; unselected it is not
        // worth a word.
        {"/home/ann/../../etc/passwd", "/home/ann/", Refused},
        {"/home/ann/../../etc/passwd", "/home/ann/../../etc/passwd", Refused},
        {"c:\\data\\..\\..\\x", "c:\\data\\", Refused},
        {"c:\\data\\../x", "c:\\", Refused},
        {"/home/ann/../x", "/srv/", NotSelected},
        // Dots inside a name are no parent component.
        {"/home/ann/..hidden", "/home/ann/", Selected},
        {"/home/ann/a..b/c", "/home/ann/", Selected},
        // On Linux a backslash is part of a file name.
        {"/home/ann/a\\..\\b", "/home/ann/", Selected},
        {"/home/ann/a.txt", "", NotSelected},
        // Shell patterns select what they match; "*" crosses directories, as in tar.
        {"/home/ann/a.txt", "/home/*.txt", Selected},
        {"/home/ann/a.txt", "/home/ann/?.txt", Selected},
        {"/home/ann/a.txt", "/home/ann/[ab].txt", Selected},
        {"/home/ann/c.txt", "/home/ann/[ab].txt", NotSelected},
        {"/home/ann/a.txt", "/home/*.doc", NotSelected},
        {"/home/ann/docs/x/y", "/home/*/docs/", Selected},
        {"/home/ann/notes/x", "/home/*/docs/", NotSelected},
        {"c:\\data\\a.txt", "c:\\data\\*.txt", Selected},
        // A name with a pattern character is first the name it is.
        {"/home/ann/[1].txt", "/home/ann/[1].txt", Selected},
        {"/home/ann/*", "/home/ann/*", Selected},
    };
    for (const MatchCase& c : cases) {
        const QByteArray tapePath(c.TapePath);
        const QString line = TapePathText(QByteArray(c.Line));
        EXPECT_EQ(MatchRestoreLine(tapePath, line), c.Expected)
            << c.TapePath << " with line " << c.Line;
    }
}

struct DestinationCase {
    const char* Target;
    const char* TapePath;
    const char* Path; // empty: refused
};

TEST(RestoreDestination, PutsTheTapePathBelowTheTarget) {
    const DestinationCase cases[] = {
        {"/tmp/r/", "/home/ann/a.txt", "/tmp/r/home/ann/a.txt"},
        {"/tmp/r", "/home/ann/a.txt", "/tmp/r/home/ann/a.txt"},
        {"", "/home/ann/a.txt", "/home/ann/a.txt"},
        {"/tmp/r/", "c:\\data\\a.txt", "/tmp/r/data/a.txt"},
        {"/tmp/r/", "C:\\Data\\Sub\\A.TXT", "/tmp/r/Data/Sub/A.TXT"},
        {"/tmp/r/",
         "c:\\daten\\gr\xf6\xdf"
         "e.txt",
         "/tmp/r/daten/gr\xc3\xb6\xc3\x9f"
         "e.txt"},
        {"", "c:\\data\\a.txt", ""},
        {"/tmp/r/", "relative/a.txt", "/tmp/r/relative/a.txt"},
        {"", "relative/a.txt", ""},
        {"/tmp/r/", "//double/a.txt", "/tmp/r/double/a.txt"},
    };
    for (const DestinationCase& c : cases) {
        const RestoreDestination destination =
            RestoreDestinationFor(QString::fromUtf8(c.Target), QByteArray(c.TapePath));
        EXPECT_EQ(destination.Path, QString::fromUtf8(c.Path)) << c.Target << " + " << c.TapePath;
        EXPECT_EQ(destination.Path.isEmpty(), !destination.Refusal.isEmpty()) << c.TapePath;
    }
}

TEST(TapePathText, DriveLetterPathsRoundTripThroughText) {
    const QByteArray ansi("c:\\daten\\gr\xf6\xdf"
                          "e.txt");
    EXPECT_EQ(TapePathText(ansi), QString::fromUtf8("c:\\daten\\gr\xc3\xb6\xc3\x9f"
                                                    "e.txt"));
    EXPECT_EQ(TapePathBytes(TapePathText(ansi)), ansi);
    const QByteArray utf8("/daten/gr\xc3\xb6\xc3\x9f"
                          "e.txt");
    EXPECT_EQ(TapePathBytes(TapePathText(utf8)), utf8);
}

} // namespace
