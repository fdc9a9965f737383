#include "restore_match.h"

#include "catalog_paths.h"

#include <fnmatch.h>

namespace orvane {

namespace {

bool IsPattern(const QByteArray& line) {
    return line.contains('*') || line.contains('?') || line.contains('[');
}

// A shell pattern over the whole path; "*" also matches "/", as tar's patterns do. A directory
// pattern selects what lies below the directories it matches.
bool PatternSelects(const QByteArray& pattern, bool directoryLine, const QByteArray& tapePath) {
    const QByteArray whole = directoryLine ? pattern + '*' : pattern;
    return fnmatch(whole.constData(), tapePath.constData(), FNM_NOESCAPE) == 0;
}

} // namespace

RestoreSelection MatchRestoreLine(const QByteArray& tapePath, const QString& line) {
    if (line.isEmpty())
        return RestoreSelection::NotSelected;
    const QByteArray bytes = TapePathBytes(line);
    const bool directoryLine =
        bytes.endsWith('/') ||
        (PathForm(bytes) == TapePathForm::DriveLetter && bytes.endsWith('\\'));
    // A name that holds a pattern character is first taken as the name it is.
    const bool selected = (directoryLine ? tapePath.startsWith(bytes) : tapePath == bytes) ||
                          (IsPattern(bytes) && PatternSelects(bytes, directoryLine, tapePath));
    if (!selected)
        return RestoreSelection::NotSelected;
    return HasParentComponent(tapePath) ? RestoreSelection::Refused : RestoreSelection::Selected;
}

RestoreDestination RestoreDestinationFor(const QString& target, const QByteArray& tapePath) {
    const TapePathForm form = PathForm(tapePath);
    const QString text = TapePathText(tapePath);
    if (target.isEmpty()) {
        if (form == TapePathForm::Linux)
            return {text, {}, QStringLiteral("/"), text.mid(1)};
        return {{},
                QStringLiteral("Not restored, a restore target directory is needed for: ") + text,
                {},
                {}};
    }
    QString below = form == TapePathForm::DriveLetter ? text.mid(RootLength(form)) : text;
    if (form != TapePathForm::Linux)
        below.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (below.startsWith(QLatin1Char('/')))
        below.remove(0, 1);
    if (below.isEmpty())
        return {{}, QStringLiteral("Not restored, the path names no file: ") + text, {}, {}};
    QString base = target;
    if (!base.endsWith(QLatin1Char('/')))
        base += QLatin1Char('/');
    return {base + below, {}, base, below};
}

} // namespace orvane
