#pragma once

#include "settings.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace orvane {

enum class JobValueType { Boolean, Integer, Text, PathList };

// How a key goes into a job file that is created because none was there.
enum class NewFileEntry {
    Fixed,        // newFileValues
    CurrentValue, // the setting as it is at that moment
    Omitted,
};

// One key of the job file and the setting it keeps. A path list stands for all of its keys: the
// stem in `key` followed by the line number counted from 0 ("Path0", "Path1", ... "Path10").
struct JobFileKey {
    QString Section;
    QString Key;
    JobValueType Type = JobValueType::Text;
    bool Settings::*Flag = nullptr;        // Boolean, unless backupDay names the field
    int BackupDay = -1;                    // Boolean: index into Settings::BackupDays
    int Settings::*Number = nullptr;       // Integer
    QString Settings::*Text = nullptr;     // Text
    QStringList Settings::*List = nullptr; // PathList
    int Minimum = 0;
    int Maximum = 0;
    bool ClampToRange = false; // out of range: the nearest bound, else the read default
    QString ReadDefault;       // for a missing key or a value that does not read as its type
    NewFileEntry NewFile = NewFileEntry::Omitted;
    QStringList NewFileValues; // one value, or the lines of a path list
};

// Every key in the order the job file keeps them: the settings, then the two path lists.
const std::vector<JobFileKey>& JobFileKeys();

// The key that section and key name, or nullptr. For a path list key, `listLine` receives the
// line number. Line numbers stop below one million, so that a stray number cannot make a list
// of millions of empty lines.
const JobFileKey* FindJobFileKey(const QString& section, const QString& key,
                                 int* listLine = nullptr);

// The name of line `line` of a path list.
QString JobFileListKey(const JobFileKey& list, int line);

// The setting as the job file writes it: "1" or "0", a decimal number, or the text itself.
// Not for path lists.
QString JobFileText(const Settings& settings, const JobFileKey& key);

enum class JobValueOutcome {
    UnknownKey,
    Taken,
    Cut,       // longer than MaxJobFileValueLength
    Clamped,   // out of range, the nearest bound taken
    Defaulted, // missing, not of its type, or out of a range without clamping
};

// Sets the setting from its value in a job file (nullopt: the key is missing), by the value
// rules of the job file. Not for path lists.
JobValueOutcome ReadJobFileValue(Settings& settings, const JobFileKey& key,
                                 const std::optional<QString>& value);

// Sets one setting, or line N of a path list for its key PathN, from a job file value.
JobValueOutcome TakeJobFileValue(Settings& settings, const QString& section, const QString& key,
                                 const QString& value);

// As TakeJobFileValue; false when no key has that section and name.
bool ApplyJobFileValue(Settings& settings, const QString& section, const QString& key,
                       const QString& value);

} // namespace orvane
