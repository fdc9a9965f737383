#include "memo_lines.h"

#include <QPlainTextEdit>
#include <gtest/gtest.h>

using namespace orvane;

namespace {

TEST(MemoLines, EveryAppendedLineStaysALineEmptyOnesIncluded) {
    const std::vector<std::pair<QStringList, QString>> cases = {
        {{"a"}, "a"},       {{"a", "b"}, "a\nb"},
        {{"", "a"}, "\na"}, {{"", "", "a"}, "\n\na"},
        {{"a", ""}, "a\n"}, {{"", "-----", "", "Error", "-----"}, "\n-----\n\nError\n-----"},
    };
    for (const auto& [lines, text] : cases) {
        QPlainTextEdit memo;
        for (const QString& line : lines)
            AppendMemoLine(memo, line);
        EXPECT_EQ(memo.toPlainText(), text) << lines.join('|').toStdString();
    }
}

TEST(MemoLines, SettingOrClearingStartsTheCountAgain) {
    QPlainTextEdit memo;
    SetMemoLines(memo, {""});
    AppendMemoLine(memo, "a");
    EXPECT_EQ(memo.toPlainText(), "\na");

    AppendMemoLine(memo, "");
    ClearMemo(memo);
    AppendMemoLine(memo, "b");
    EXPECT_EQ(memo.toPlainText(), "b");

    AppendMemoLine(memo, "");
    ClearMemo(memo);
    AppendMemoLine(memo, "");
    ClearMemo(memo);
    AppendMemoLine(memo, "c");
    EXPECT_EQ(memo.toPlainText(), "c") << "a cleared empty line leaves nothing behind";

    SetMemoLines(memo, {"x", "y"});
    AppendMemoLine(memo, "z");
    EXPECT_EQ(memo.toPlainText(), "x\ny\nz");
}

} // namespace
