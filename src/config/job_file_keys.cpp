#include "job_file_keys.h"

#include "job_file_values.h"

#include <algorithm>

namespace orvane {

namespace {

constexpr int MaxListLineDigits = 6;

struct Range {
    int Minimum;
    int Maximum;
    bool Clamp;
};

JobFileKey Entry(QString section, QString key, JobValueType type) {
    JobFileKey entry;
    entry.Section = std::move(section);
    entry.Key = std::move(key);
    entry.Type = type;
    return entry;
}

JobFileKey Flag(const char* section, const char* key, bool Settings::*field, bool readDefault) {
    JobFileKey entry =
        Entry(QString::fromLatin1(section), QString::fromLatin1(key), JobValueType::Boolean);
    entry.Flag = field;
    entry.ReadDefault = readDefault ? QStringLiteral("1") : QStringLiteral("0");
    entry.NewFile = NewFileEntry::Fixed;
    entry.NewFileValues = {entry.ReadDefault};
    return entry;
}

JobFileKey BackupDay(const char* key, int day) {
    JobFileKey entry =
        Entry(QStringLiteral("Backup_Day"), QString::fromLatin1(key), JobValueType::Boolean);
    entry.BackupDay = day;
    entry.ReadDefault = QStringLiteral("1");
    entry.NewFile = NewFileEntry::Fixed;
    entry.NewFileValues = {entry.ReadDefault};
    return entry;
}

JobFileKey Number(const char* section, const char* key, int Settings::*field, Range range,
                  int readDefault, NewFileEntry newFile) {
    JobFileKey entry =
        Entry(QString::fromLatin1(section), QString::fromLatin1(key), JobValueType::Integer);
    entry.Number = field;
    entry.Minimum = range.Minimum;
    entry.Maximum = range.Maximum;
    entry.ClampToRange = range.Clamp;
    entry.ReadDefault = QString::number(readDefault);
    entry.NewFile = newFile;
    if (newFile == NewFileEntry::Fixed)
        entry.NewFileValues = {entry.ReadDefault};
    return entry;
}

JobFileKey Text(const char* section, const char* key, QString Settings::*field,
                const char* readDefault, const char* newFile) {
    JobFileKey entry =
        Entry(QString::fromLatin1(section), QString::fromLatin1(key), JobValueType::Text);
    entry.Text = field;
    entry.ReadDefault = QString::fromLatin1(readDefault);
    entry.NewFile = NewFileEntry::Fixed;
    entry.NewFileValues = {QString::fromLatin1(newFile)};
    return entry;
}

JobFileKey PathList(const char* section, QStringList Settings::*field, QStringList newFile) {
    JobFileKey entry =
        Entry(QString::fromLatin1(section), QStringLiteral("Path"), JobValueType::PathList);
    entry.List = field;
    entry.NewFile = newFile.isEmpty() ? NewFileEntry::Omitted : NewFileEntry::Fixed;
    entry.NewFileValues = std::move(newFile);
    return entry;
}

bool SameName(const QString& a, const QString& b) {
    return QStringView(a).trimmed().compare(QStringView(b).trimmed(), Qt::CaseInsensitive) == 0;
}

// The line number of a path list key: the stem, then decimal digits without leading zeros.
std::optional<int> ListLine(const JobFileKey& list, const QString& key) {
    const QStringView name = QStringView(key).trimmed();
    if (!name.startsWith(list.Key, Qt::CaseInsensitive))
        return std::nullopt;
    const QStringView digits = name.mid(list.Key.size());
    const bool canonical =
        !digits.isEmpty() && digits.size() <= MaxListLineDigits &&
        std::all_of(digits.begin(), digits.end(),
                    [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }) &&
        (digits.size() == 1 || digits.front() != QLatin1Char('0'));
    if (!canonical)
        return std::nullopt;
    return digits.toInt();
}

bool& FlagOf(Settings& settings, const JobFileKey& key) {
    return key.BackupDay >= 0 ? settings.BackupDays.at(key.BackupDay) : settings.*key.Flag;
}

bool FlagOf(const Settings& settings, const JobFileKey& key) {
    return key.BackupDay >= 0 ? settings.BackupDays.at(key.BackupDay) : settings.*key.Flag;
}

} // namespace

const std::vector<JobFileKey>& JobFileKeys() {
    // The restore option is a choice of three, not a spin edit: a number outside it falls back to
    // asking rather than to the nearest choice, which would overwrite without asking.
    static const std::vector<JobFileKey> keys = {
        Number("Backup_Time", "Hour", &Settings::AutostartHour, {0, 23, true}, 21,
               NewFileEntry::CurrentValue),
        Number("Backup_Time", "Minute", &Settings::AutostartMinute, {0, 59, true}, 30,
               NewFileEntry::CurrentValue),
        BackupDay("Monday", 0),
        BackupDay("Tuesday", 1),
        BackupDay("Wednesday", 2),
        BackupDay("Thursday", 3),
        BackupDay("Friday", 4),
        BackupDay("Saturday", 5),
        BackupDay("Sunday", 6),
        Flag("Options", "Short Protocoll", &Settings::ShortProtocol, true),
        Flag("Options", "Append", &Settings::Append, false),
        Flag("Options", "Autostart Backup", &Settings::AutostartBackup, false),
        Flag("Options", "Begin Backup at start", &Settings::BackupAtStart, false),
        Flag("Options", "Verify after Backup", &Settings::VerifyAfterBackup, false),
        Flag("Options", "Eject Tape after Backup", &Settings::EjectAfterBackup, false),
        Flag("Options", "Send Protocoll Email after Backup", &Settings::MailAfterBackup, false),
        Flag("Options", "Exit Orvane Backup", &Settings::ExitAfterBackup, false),
        Text("Options", "Do before Backup", &Settings::CommandBefore, "", ""),
        Text("Options", "Do before Backup Wait Time", &Settings::CommandBeforeWait, "0", "0"),
        Text("Options", "Do after Backup", &Settings::CommandAfter, "", ""),
        Text("Options", "Do after Backup Wait Time", &Settings::CommandAfterWait, "0", "0"),
        Flag("Compressions", "Softcompression", &Settings::SoftCompression, true),
        Number("Compressions", "Faktor", &Settings::CompressionLevel, {1, 9, true}, 9,
               NewFileEntry::Fixed),
        Text("Proxy Settings", "Proxy Server IP", &Settings::ProxyServer, "", ""),
        Text("Proxy Settings", "Proxy Port", &Settings::ProxyPort, "0", "0"),
        Text("Restore Settings", "Restore Path", &Settings::RestoreTarget, "/tmp", "/tmp/"),
        Number("Restore Settings", "Restore Options", &Settings::RestoreOption, {0, 2, false}, 0,
               NewFileEntry::Omitted),
        Text("Email Settings", "From", &Settings::MailFrom, "", ""),
        Text("Email Settings", "To", &Settings::MailTo, "", ""),
        Text("Email Settings", "Subject", &Settings::MailSubject, "Orvane Backup Report",
             "Orvane Backup Report"),
        Text("Email Settings", "Host", &Settings::MailHost, "", ""),
        Text("Email Settings", "UserId", &Settings::MailUserId, "", ""),
        Text("Email Settings", "Password", &Settings::MailPassword, "", ""),
        // Beyond port 25: 587 for a submission server. Not in a new file, which keeps its keys.
        Number("Email Settings", "Port", &Settings::MailPort, {1, 65535, false}, 25,
               NewFileEntry::Omitted),
        PathList("Backup_files", &Settings::BackupList,
                 {QStringLiteral("/home/"), QStringLiteral("/etc/")}),
        PathList("Excluded_files", &Settings::ExcludeList, {}),
    };
    return keys;
}

const JobFileKey* FindJobFileKey(const QString& section, const QString& key, int* listLine) {
    for (const JobFileKey& entry : JobFileKeys()) {
        if (!SameName(entry.Section, section))
            continue;
        if (entry.Type != JobValueType::PathList) {
            if (SameName(entry.Key, key))
                return &entry;
        } else if (const std::optional<int> line = ListLine(entry, key)) {
            if (listLine)
                *listLine = *line;
            return &entry;
        }
    }
    return nullptr;
}

QString JobFileListKey(const JobFileKey& list, int line) {
    return list.Key + QString::number(line);
}

QString JobFileText(const Settings& settings, const JobFileKey& key) {
    switch (key.Type) {
    case JobValueType::Boolean:
        return FlagOf(settings, key) ? QStringLiteral("1") : QStringLiteral("0");
    case JobValueType::Integer:
        return QString::number(settings.*key.Number);
    case JobValueType::Text:
        return settings.*key.Text;
    case JobValueType::PathList:
        break;
    }
    return QString();
}

JobValueOutcome ReadJobFileValue(Settings& settings, const JobFileKey& key,
                                 const std::optional<QString>& value) {
    const QString given = value ? CutJobFileValue(value->trimmed()) : key.ReadDefault;
    JobValueOutcome outcome = !value                                   ? JobValueOutcome::Defaulted
                              : given.size() < value->trimmed().size() ? JobValueOutcome::Cut
                                                                       : JobValueOutcome::Taken;
    if (key.Type == JobValueType::Text) {
        settings.*key.Text = given;
        return outcome;
    }
    std::optional<int> number = ParseJobFileInteger(given);
    if (!number) {
        number = ParseJobFileInteger(key.ReadDefault);
        outcome = JobValueOutcome::Defaulted;
    }
    if (key.Type == JobValueType::Boolean) {
        FlagOf(settings, key) = *number != 0;
        return outcome;
    }
    if (*number < key.Minimum || *number > key.Maximum) {
        number = key.ClampToRange ? std::clamp(*number, key.Minimum, key.Maximum)
                                  : ParseJobFileInteger(key.ReadDefault);
        outcome = key.ClampToRange ? JobValueOutcome::Clamped : JobValueOutcome::Defaulted;
    }
    settings.*key.Number = *number;
    return outcome;
}

JobValueOutcome TakeJobFileValue(Settings& settings, const QString& section, const QString& key,
                                 const QString& value) {
    int line = 0;
    const JobFileKey* entry = FindJobFileKey(section, key, &line);
    if (!entry)
        return JobValueOutcome::UnknownKey;
    if (entry->Type != JobValueType::PathList)
        return ReadJobFileValue(settings, *entry, value);
    const QString path = CutJobFileValue(value.trimmed());
    QStringList& list = settings.*entry->List;
    while (list.size() <= line)
        list.append(QString()); // dropped again by NormalizePathList
    list[line] = path;
    return path.size() < value.trimmed().size() ? JobValueOutcome::Cut : JobValueOutcome::Taken;
}

bool ApplyJobFileValue(Settings& settings, const QString& section, const QString& key,
                       const QString& value) {
    return TakeJobFileValue(settings, section, key, value) != JobValueOutcome::UnknownKey;
}

} // namespace orvane
