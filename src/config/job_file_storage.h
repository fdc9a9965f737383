#pragma once

#include "ini_document.h"

#include <QString>

namespace orvane {

// A job file as read from disk.
struct JobFileContent {
    bool Exists = false;
    IniDocument Document; // empty when the file is missing or could not be read
    QString Error;        // the file is there but could not be read
};

JobFileContent ReadJobFileContent(const QString& path);

// Replaces the file as a whole, so that a crash leaves either the old file or the new one. The
// file gets mode 0600: it holds the mail password in plain text. Returns the error, or an empty
// text when the file is written.
QString WriteJobFileContent(const QString& path, const IniDocument& document);

} // namespace orvane
