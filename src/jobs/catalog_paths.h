#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace orvane {

// The forms of path a tape can carry: Linux paths ("/home/a.txt") and the drive-letter paths of
// tapes written on the original platform ("c:\data\a.txt"). Anything else (relative or network
// paths) has no place in the tree and restores only below a target directory.
enum class TapePathForm { Linux, DriveLetter, Other };

TapePathForm PathForm(QByteArrayView tapePath);
// '/' for Linux paths, '\' for drive-letter paths.
char PathSeparator(TapePathForm form);
// The part of a path that names its root: "/" or "c:\" (empty for other forms).
qsizetype RootLength(TapePathForm form);

// Paths as the operator reads and types them. Linux paths are the file system's bytes (UTF-8);
// drive-letter paths come from a single-byte code page and are read as Latin-1, so that text
// and bytes convert back and forth without loss.
QString TapePathText(QByteArrayView tapePath);
QByteArray TapePathBytes(const QString& text);

// True when a component of the path is "..", which would lead out of the directory it is
// restored to.
bool HasParentComponent(QByteArrayView tapePath);

} // namespace orvane
