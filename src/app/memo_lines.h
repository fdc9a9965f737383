#pragma once

#include <QStringList>

class QPlainTextEdit;

namespace orvane {

// A memo as a list of lines, the way the protocol fills it: every call adds one line, and an
// empty text adds an empty line, also as the very first line (which a plain text edit would
// otherwise swallow, since an empty document and one empty line look alike to it).
void AppendMemoLine(QPlainTextEdit& memo, const QString& line);
void SetMemoLines(QPlainTextEdit& memo, const QStringList& lines);
void ClearMemo(QPlainTextEdit& memo);
// The memo's lines as those calls made them (or as the operator typed them).
QStringList MemoTextLines(const QPlainTextEdit& memo);

} // namespace orvane
