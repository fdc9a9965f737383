#include "catalog_paths.h"

#include "platform/path_bytes.h"

#include <QFile>

namespace orvane {

namespace {

bool IsDriveLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

} // namespace

TapePathForm PathForm(QByteArrayView tapePath) {
    if (tapePath.startsWith('/'))
        return TapePathForm::Linux;
    if (tapePath.size() >= 3 && IsDriveLetter(tapePath[0]) && tapePath[1] == ':' &&
        tapePath[2] == '\\')
        return TapePathForm::DriveLetter;
    return TapePathForm::Other;
}

char PathSeparator(TapePathForm form) {
    return form == TapePathForm::DriveLetter ? '\\' : '/';
}

qsizetype RootLength(TapePathForm form) {
    switch (form) {
    case TapePathForm::Linux:
        return 1;
    case TapePathForm::DriveLetter:
        return 3;
    case TapePathForm::Other:
        break;
    }
    return 0;
}

QString TapePathText(QByteArrayView tapePath) {
    if (PathForm(tapePath) == TapePathForm::DriveLetter)
        return QString::fromLatin1(tapePath);
    return PathFromBytes(tapePath.toByteArray());
}

QByteArray TapePathBytes(const QString& text) {
    if (PathForm(text.toLatin1()) == TapePathForm::DriveLetter)
        return text.toLatin1();
    return PathToBytes(text);
}

bool HasParentComponent(QByteArrayView tapePath) {
    // On a Linux path a '\' is part of a file name; a drive-letter path separates with '\' and
    // also with '/', as its own system did.
    const bool backslashSeparates = PathForm(tapePath) != TapePathForm::Linux;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= tapePath.size(); ++i) {
        if (i == tapePath.size() || tapePath[i] == '/' ||
            (backslashSeparates && tapePath[i] == '\\')) {
            if (tapePath.sliced(start, i - start) == QByteArrayView(".."))
                return true;
            start = i + 1;
        }
    }
    return false;
}

} // namespace orvane
