#include "job_file_keys.h"

#include "job_file_values.h"

#include <algorithm>

namespace orvane {

namespace {

constexpr int kMaxListLineDigits = 6;

struct Range {
    int minimum;
    int maximum;
    bool clamp;
};

JobFileKey Entry(QString section, QString key, JobValueType type) {
    JobFileKey entry;
    entry.section = std::move(section);
    entry.key = std::move(key);
    entry.type = type;
    return entry;
}

JobFileKey Flag(const char* section, const char* key, bool Settings::*field, bool readDefault) {
    JobFileKey entry =
        Entry(QString::fromLatin1(section), QString::fromLatin1(key), JobValueType::Boolean);
    entry.flag = field;
    entry.readDefault = readDefault ? QStringLiteral("1") : QStringLiteral("0");
    entry.newFile = NewFileEntry::Fixed;
    entry.newFileValues = {entry.readDefault};
    return entry;
}

JobFileKey BackupDay(const char* key, int day) {
    JobFileKey entry =
        Entry(QStringLiteral("Backup_Day"), QString::fromLatin1(key), JobValueType::Boolean);
    entry.backupDay = day;
    entry.readDefault = QStringLiteral("1");
    entry.newFile = NewFileEntry::Fixed;
    entry.newFileValues = {entry.readDefault};
    return entry;
}

JobFileKey Number(const char* section, const char* key, int Settings::*field, Range range,
                  int readDefault, NewFileEntry newFile) {
    JobFileKey entry =
        Entry(QString::fromLatin1(section), QString::fromLatin1(key), JobValueType::Integer);
    entry.number = field;
    entry.minimum = range.minimum;
    entry.maximum = range.maximum;
    entry.clampToRange = range.clamp;
    entry.readDefault = QString::number(readDefault);
    entry.newFile = newFile;
    if (newFile == NewFileEntry::Fixed)
        entry.newFileValues = {entry.readDefault};
    return entry;
}

JobFileKey Text(const char* section, const char* key, QString Settings::*field,
                const char* readDefault, const char* newFile) {
    JobFileKey entry =
        Entry(QString::fromLatin1(section), QString::fromLatin1(key), JobValueType::Text);
    entry.text = field;
    entry.readDefault = QString::fromLatin1(readDefault);
    entry.newFile = NewFileEntry::Fixed;
    entry.newFileValues = {QString::fromLatin1(newFile)};
    return entry;
}

JobFileKey PathList(const char* section, QStringList Settings::*field, QStringList newFile) {
    JobFileKey entry =
        Entry(QString::fromLatin1(section), QStringLiteral("Path"), JobValueType::PathList);
    entry.list = field;
    entry.newFile = newFile.isEmpty() ? NewFileEntry::Omitted : NewFileEntry::Fixed;
    entry.newFileValues = std::move(newFile);
    return entry;
}

bool SameName(const QString& a, const QString& b) {
    return QStringView(a).trimmed().compare(QStringView(b).trimmed(), Qt::CaseInsensitive) == 0;
}

// The line number of a path list key: the stem, then decimal digits without leading zeros.
std::optional<int> ListLine(const JobFileKey& list, const QString& key) {
    const QStringView name = QStringView(key).trimmed();
    if (!name.startsWith(list.key, Qt::CaseInsensitive))
        return std::nullopt;
    const QStringView digits = name.mid(list.key.size());
    const bool canonical =
        !digits.isEmpty() && digits.size() <= kMaxListLineDigits &&
        std::all_of(digits.begin(), digits.end(),
                    [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }) &&
        (digits.size() == 1 || digits.front() != QLatin1Char('0'));
    if (!canonical)
        return std::nullopt;
    return digits.toInt();
}

bool& FlagOf(Settings& settings, const JobFileKey& key) {
    return key.backupDay >= 0 ? settings.BackupDays.at(key.backupDay) : settings.*key.flag;
}

bool FlagOf(const Settings& settings, const JobFileKey& key) {
    return key.backupDay >= 0 ? settings.BackupDays.at(key.backupDay) : settings.*key.flag;
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
        PathList("Backup_files", &Settings::BackupList,
                 {QStringLiteral("/home/"), QStringLiteral("/etc/")}),
        PathList("Excluded_files", &Settings::ExcludeList, {}),
    };
    return keys;
}

const JobFileKey* FindJobFileKey(const QString& section, const QString& key, int* listLine) {
    for (const JobFileKey& entry : JobFileKeys()) {
        if (!SameName(entry.section, section))
            continue;
        if (entry.type != JobValueType::PathList) {
            if (SameName(entry.key, key))
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
    return list.key + QString::number(line);
}

QString JobFileText(const Settings& settings, const JobFileKey& key) {
    switch (key.type) {
    case JobValueType::Boolean:
        return FlagOf(settings, key) ? QStringLiteral("1") : QStringLiteral("0");
    case JobValueType::Integer:
        return QString::number(settings.*key.number);
    case JobValueType::Text:
        return settings.*key.text;
    case JobValueType::PathList:
        break;
    }
    return QString();
}

JobValueOutcome ReadJobFileValue(Settings& settings, const JobFileKey& key,
                                 const std::optional<QString>& value) {
    const QString given = value ? CutJobFileValue(value->trimmed()) : key.readDefault;
    JobValueOutcome outcome = !value                                   ? JobValueOutcome::Defaulted
                              : given.size() < value->trimmed().size() ? JobValueOutcome::Cut
                                                                       : JobValueOutcome::Taken;
    if (key.type == JobValueType::Text) {
        settings.*key.text = given;
        return outcome;
    }
    std::optional<int> number = ParseJobFileInteger(given);
    if (!number) {
        number = ParseJobFileInteger(key.readDefault);
        outcome = JobValueOutcome::Defaulted;
    }
    if (key.type == JobValueType::Boolean) {
        FlagOf(settings, key) = *number != 0;
        return outcome;
    }
    if (*number < key.minimum || *number > key.maximum) {
        number = key.clampToRange ? std::clamp(*number, key.minimum, key.maximum)
                                  : ParseJobFileInteger(key.readDefault);
        outcome = key.clampToRange ? JobValueOutcome::Clamped : JobValueOutcome::Defaulted;
    }
    settings.*key.number = *number;
    return outcome;
}

JobValueOutcome TakeJobFileValue(Settings& settings, const QString& section, const QString& key,
                                 const QString& value) {
    int line = 0;
    const JobFileKey* entry = FindJobFileKey(section, key, &line);
    if (!entry)
        return JobValueOutcome::UnknownKey;
    if (entry->type != JobValueType::PathList)
        return ReadJobFileValue(settings, *entry, value);
    const QString path = CutJobFileValue(value.trimmed());
    QStringList& list = settings.*entry->list;
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
