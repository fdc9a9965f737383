#include "job_file.h"

#include "job_file_keys.h"
#include "job_file_storage.h"
#include "job_file_values.h"
#include "path_list.h"

#include <QFileInfo>

namespace orvane {

namespace {

// The value that stands for a missing list line; a line with this text ends the list as well.
const QString kNoValue = QStringLiteral("no Value");

bool IsList(const JobFileKey& key) {
    return key.type == JobValueType::PathList;
}

void PutSettings(IniDocument& document, const Settings& settings) {
    for (const JobFileKey& key : JobFileKeys())
        if (!IsList(key))
            document.setValue(key.section, key.key, JobFileText(settings, key));
}

void PutList(IniDocument& document, const JobFileKey& list, const QStringList& lines) {
    for (int line = 0; line < lines.size(); ++line)
        document.setValue(list.section, JobFileListKey(list, line), lines.at(line));
}

// The list ends at the first missing line: a line after a gap is never read.
QStringList ReadList(const IniDocument& document, const JobFileKey& list) {
    QStringList lines;
    for (int line = 0;; ++line) {
        const std::optional<QString> value =
            document.value(list.section, JobFileListKey(list, line));
        if (!value || *value == kNoValue)
            return lines;
        lines.append(CutJobFileValue(*value));
    }
}

IniDocument NewJobFileDocument(const Settings& current) {
    IniDocument document;
    for (const JobFileKey& key : JobFileKeys())
        if (IsList(key) && key.newFile == NewFileEntry::Fixed)
            PutList(document, key, key.newFileValues);
    for (const JobFileKey& key : JobFileKeys()) {
        if (IsList(key) || key.newFile == NewFileEntry::Omitted)
            continue;
        document.setValue(key.section, key.key,
                          key.newFile == NewFileEntry::Fixed ? key.newFileValues.first()
                                                             : JobFileText(current, key));
    }
    return document;
}

} // namespace

JobFileLoad LoadJobFile(const QString& path, Settings& settings) {
    JobFileLoad load;
    JobFileContent content = ReadJobFileContent(path);
    load.error = content.error;
    if (content.exists) {
        for (const JobFileKey& key : JobFileKeys())
            if (!IsList(key))
                ReadJobFileValue(settings, key, content.document.value(key.section, key.key));
    } else {
        // The lists come from the new file's content even when it cannot be written.
        content.document = NewJobFileDocument(settings);
        load.error = WriteJobFileContent(path, content.document);
        load.createdNewFile = load.error.isEmpty();
    }
    for (const JobFileKey& key : JobFileKeys()) {
        if (IsList(key)) {
            settings.*key.list = ReadList(content.document, key);
            NormalizePathList(settings.*key.list);
        }
    }
    return load;
}

QString SaveJobFileSettings(const QString& path, const Settings& settings) {
    JobFileContent content = ReadJobFileContent(path);
    if (!content.error.isEmpty())
        return content.error;
    PutSettings(content.document, settings);
    return WriteJobFileContent(path, content.document);
}

QString SaveJobFileLists(const QString& path, Settings& settings) {
    IniDocument document;
    for (const JobFileKey& key : JobFileKeys()) {
        if (IsList(key)) {
            NormalizePathList(settings.*key.list);
            PutList(document, key, settings.*key.list);
        }
    }
    PutSettings(document, settings);
    return WriteJobFileContent(path, document);
}

QString CreateNewJobFile(const QString& path, const Settings& current) {
    if (QFileInfo::exists(path))
        return QStringLiteral("The job file %1 exists already").arg(path);
    return WriteJobFileContent(path, NewJobFileDocument(current));
}

} // namespace orvane
