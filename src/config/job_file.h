#pragma once

#include "settings.h"

#include <QByteArray>
#include <QString>

namespace orvane {

struct JobFileLoad {
    bool CreatedNewFile = false; // the file was missing and has been written with new-file values
    QString Error;               // empty when the file was read, or created, without trouble
};

// Applies the job file to the settings and both path lists. Missing keys and values that do not
// read as their type take their read defaults; a file that cannot be read gives the read
// defaults and empty lists. A missing file is created with the new-file values and leaves the
// settings as they are, while the lists take its default backup list.
JobFileLoad LoadJobFile(const QString& path, Settings& settings);

// Writes every setting into the job file, each key in place or added at the end of its section.
// The rest of the file, the path lists included, stays as it is; a file that exists but cannot
// be read is therefore not written. Returns the error, or an empty text.
[[nodiscard]] QString SaveJobFileSettings(const QString& path, const Settings& settings);

// The Save command: normalises both path lists, then replaces the job file by one that holds the
// backup list, the exclude list (no section for an empty list) and every setting.
[[nodiscard]] QString SaveJobFileLists(const QString& path, Settings& settings);

// The whole job file as the Save command writes it for these settings and lists (both lists
// normalised), with CR LF lines.
QByteArray JobFileDocumentText(Settings settings);

// Writes a new job file with the new-file values; the autostart hour and minute are taken from
// `current`. An existing file is left alone and reported.
[[nodiscard]] QString CreateNewJobFile(const QString& path, const Settings& current = Settings());

} // namespace orvane
