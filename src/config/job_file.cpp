#include "job_file.h"

#include "job_file_keys.h"
#include "job_file_storage.h"
#include "job_file_values.h"
#include "path_list.h"

#include <QFileInfo>

namespace orvane {

namespace {

// The value that stands for a missing list line; a line with this text ends the list as well.
const QString NoValue = QStringLiteral("no Value");

bool IsList(const JobFileKey& key) {
    return key.Type == JobValueType::PathList;
}

void PutSettings(IniDocument& document, const Settings& settings) {
    for (const JobFileKey& key : JobFileKeys())
        if (!IsList(key))
            document.SetValue(key.Section, key.Key, JobFileText(settings, key));
}

void PutList(IniDocument& document, const JobFileKey& list, const QStringList& lines) {
    for (int line = 0; line < lines.size(); ++line)
        document.SetValue(list.Section, JobFileListKey(list, line), lines.at(line));
}

// The list ends at the first missing line: a line after a gap is never read.
QStringList ReadList(const IniDocument& document, const JobFileKey& list) {
    QStringList lines;
    for (int line = 0;; ++line) {
        const std::optional<QString> value =
            document.Value(list.Section, JobFileListKey(list, line));
        if (!value || *value == NoValue)
            return lines;
        lines.append(CutJobFileValue(*value));
    }
}

IniDocument NewJobFileDocument(const Settings& current) {
    IniDocument document;
    for (const JobFileKey& key : JobFileKeys())
        if (IsList(key) && key.NewFile == NewFileEntry::Fixed)
            PutList(document, key, key.NewFileValues);
    for (const JobFileKey& key : JobFileKeys()) {
        if (IsList(key) || key.NewFile == NewFileEntry::Omitted)
            continue;
        document.SetValue(key.Section, key.Key,
                          key.NewFile == NewFileEntry::Fixed ? key.NewFileValues.first()
                                                             : JobFileText(current, key));
    }
    return document;
}

// The lists first, then the settings: the order of a file written by the Save command.
IniDocument ListsAndSettingsDocument(Settings& settings) {
    IniDocument document;
    for (const JobFileKey& key : JobFileKeys()) {
        if (IsList(key)) {
            NormalizePathList(settings.*key.List);
            PutList(document, key, settings.*key.List);
        }
    }
    PutSettings(document, settings);
    return document;
}

} // namespace

JobFileLoad LoadJobFile(const QString& path, Settings& settings) {
    JobFileLoad load;
    JobFileContent content = ReadJobFileContent(path);
    load.Error = content.Error;
    if (content.Exists) {
        for (const JobFileKey& key : JobFileKeys())
            if (!IsList(key))
                ReadJobFileValue(settings, key, content.Document.Value(key.Section, key.Key));
    } else {
        // The lists come from the new file's content even when it cannot be written.
        content.Document = NewJobFileDocument(settings);
        load.Error = WriteJobFileContent(path, content.Document);
        load.CreatedNewFile = load.Error.isEmpty();
    }
    for (const JobFileKey& key : JobFileKeys()) {
        if (IsList(key)) {
            settings.*key.List = ReadList(content.Document, key);
            NormalizePathList(settings.*key.List);
        }
    }
    return load;
}

QString SaveJobFileSettings(const QString& path, const Settings& settings) {
    JobFileContent content = ReadJobFileContent(path);
    if (!content.Error.isEmpty())
        return content.Error;
    PutSettings(content.Document, settings);
    return WriteJobFileContent(path, content.Document);
}

QString SaveJobFileLists(const QString& path, Settings& settings) {
    return WriteJobFileContent(path, ListsAndSettingsDocument(settings));
}

QByteArray JobFileDocumentText(Settings settings) {
    return ListsAndSettingsDocument(settings).ToText();
}

QString CreateNewJobFile(const QString& path, const Settings& current) {
    if (QFileInfo::exists(path))
        return QStringLiteral("The job file %1 exists already").arg(path);
    return WriteJobFileContent(path, NewJobFileDocument(current));
}

} // namespace orvane
