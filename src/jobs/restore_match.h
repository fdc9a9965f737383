#pragma once

#include <QByteArray>
#include <QString>

namespace orvane {

enum class RestoreSelection {
    NotSelected,
    Selected,
    // Selected, but the path has a ".." component and would lead out of the directory it is
    // restored to.
    Refused,
};

// Whether a restore-list line selects a file of the tape (`MatchRestoreLine`). A line ending in
// the separator of its form ("/", or "\" for the drive-letter paths of the original platform)
// selects every path that begins with it; any other line selects the one path equal to it. A line
// with the shell pattern characters "*", "?" or "[" also selects the paths the pattern matches
// ("*" matching "/" too). Case counts: the file names of Linux distinguish it. The path to
// restore is the tape path.
RestoreSelection MatchRestoreLine(const QByteArray& tapePath, const QString& line);

// Where a selected tape path is restored to.
struct RestoreDestination {
    QString Path;    // empty when the file cannot be restored
    QString Refusal; // then: why, for the protocol
    // Path split where links stop being followed: the target (or "/" without one) as given, and
    // the part below it that the restore walks without following a symbolic link.
    QString Anchor;
    QString Below;
};

// With a target directory, the tape path below it without its root: target "/tmp/r/" and
// "/home/a.txt" give "/tmp/r/home/a.txt", "c:\data\a.txt" gives "/tmp/r/data/a.txt". A target
// without its closing "/" gets one. Without a target a Linux path goes back where it came from;
// paths of any other form need a target: then nothing below "/" is followed as a link, so the
// file lands at its recorded path or not at all.
RestoreDestination RestoreDestinationFor(const QString& target, const QByteArray& tapePath);

} // namespace orvane
