#include "memo_lines.h"

#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>

namespace orvane {

namespace {
// Set while the memo holds exactly one line, and that line is empty.
constexpr char SoleEmptyLine[] = "orvaneSoleEmptyLine";
} // namespace

void AppendMemoLine(QPlainTextEdit& memo, const QString& line) {
    QTextDocument* document = memo.document();
    const bool soleEmptyLine = memo.property(SoleEmptyLine).toBool();
    memo.setProperty(SoleEmptyLine, false);
    if (document->isEmpty() && !soleEmptyLine) {
        if (line.isEmpty())
            memo.setProperty(SoleEmptyLine, true);
        else
            memo.appendPlainText(line);
        return;
    }
    if (!document->isEmpty()) {
        memo.appendPlainText(line);
        return;
    }
    // The first line is the empty one: this line goes into a block of its own after it.
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    cursor.insertBlock();
    cursor.insertText(line);
}

void SetMemoLines(QPlainTextEdit& memo, const QStringList& lines) {
    memo.setPlainText(lines.join(QLatin1Char('\n')));
    memo.setProperty(SoleEmptyLine, lines.size() == 1 && lines.front().isEmpty());
}

void ClearMemo(QPlainTextEdit& memo) {
    memo.clear();
    memo.setProperty(SoleEmptyLine, false);
}

QStringList MemoTextLines(const QPlainTextEdit& memo) {
    if (memo.property(SoleEmptyLine).toBool())
        return {QString()};
    if (memo.document()->isEmpty())
        return {};
    return memo.toPlainText().split(QLatin1Char('\n'));
}

} // namespace orvane
