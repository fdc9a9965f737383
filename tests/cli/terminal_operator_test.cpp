#include "terminal_operator.h"

#include <gtest/gtest.h>

using orvane::cli::TerminalOperator;

// Status texts of a fast run are thinned out, but the one standing when other output follows or
// when the run ends is never lost, and the order of status and output is kept.
TEST(TerminalOperatorTest, ShowsTheStandingStatusBeforeOtherOutputAndAtTheEnd) {
    QString in, shared;
    QTextStream inStream(&in), outStream(&shared), errStream(&shared);
    {
        TerminalOperator op(inStream, outStream, errStream, true);
        for (int i = 1; i <= 1000; ++i)
            op.SetStatus(QStringLiteral("Processing : file %1").arg(i));
        op.Print(QStringLiteral("protocol line"));
        op.SetStatus(QStringLiteral("Backup finished"));
        op.SetStatus(QStringLiteral("Backup finished"));
    }
    const QStringList lines = shared.split('\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 4);
    EXPECT_LT(lines.size(), 100) << "a thousand statuses within moments are not all printed";
    EXPECT_EQ(lines.first(), "Processing : file 1");
    EXPECT_EQ(lines.mid(lines.size() - 3),
              QStringList({"Processing : file 1000", "protocol line", "Backup finished"}));
}
