#include "platform/installed_layout.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace orvane {
namespace {

struct LayoutCase {
    const char* What;
    const char* Directories; // made below a fresh directory, separated by ','
    const char* ProgramFileDirectory;
    const char* DataDirectory; // "" when the program is not installed
    const char* Guide;         // where the guide is looked for
};

// A program finds its shipped files beside it in a build tree and in <prefix>/share/orvane/ once
// installed; another program's share/ does not make it an installed one.
TEST(InstalledLayout, ShippedFilesLieBesideTheProgramOrInItsSharedDataDirectory) {
    const LayoutCase cases[] = {
        {"build tree", "build/bin", "build/bin", "", "build/bin/Orvane-readme.txt"},
        {"installed", "usr/bin,usr/share/orvane", "usr/bin", "usr/share/orvane/",
         "usr/share/orvane/Orvane-readme.txt"},
        {"installed, trailing slash", "usr/bin,usr/share/orvane", "usr/bin/", "usr/share/orvane/",
         "usr/share/orvane/Orvane-readme.txt"},
        {"share of other programs only", "usr/local/bin,usr/local/share/man", "usr/local/bin", "",
         "usr/local/bin/Orvane-readme.txt"},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.What);
        QTemporaryDir root;
        ASSERT_TRUE(root.isValid());
        for (const QString& directory : QString::fromLatin1(c.Directories).split(QLatin1Char(',')))
            ASSERT_TRUE(QDir(root.path()).mkpath(directory));
        const QString programFileDirectory =
            root.filePath(QString::fromLatin1(c.ProgramFileDirectory));
        const QString dataDirectory = QString::fromLatin1(c.DataDirectory);
        EXPECT_EQ(InstalledDataDirectory(programFileDirectory),
                  dataDirectory.isEmpty() ? QString() : root.path() + '/' + dataDirectory);
        EXPECT_EQ(ShippedFilePath(programFileDirectory, QStringLiteral("Orvane-readme.txt")),
                  root.filePath(QString::fromLatin1(c.Guide)));
    }
}

} // namespace
} // namespace orvane
