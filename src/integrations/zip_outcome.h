#pragma once

#include <QString>

namespace orvane {

// What a zip operation reports: code 0 and no text on success, otherwise a libzip error code
// (ZIP_ER_*) and the reason in words.
struct ZipOutcome {
    int errorCode = 0;
    QString text;

    bool ok() const { return errorCode == 0; }
    static ZipOutcome failure(int code, const QString& reason) { return {code, reason}; }
    // A failure with libzip's own words for the code.
    static ZipOutcome fromCode(int code);
};

} // namespace orvane
