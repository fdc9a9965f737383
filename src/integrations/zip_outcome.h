#pragma once

#include <QString>

namespace orvane {

// What a zip operation reports: code 0 and no text on success, otherwise a libzip error code
// (ZIP_ER_*) and the reason in words.
struct ZipOutcome {
    int ErrorCode = 0;
    QString Text;
    // A packing that succeeded while the file grew: the archive holds the file as it was when it
    // was opened, without what was appended since.
    bool SourceGrew = false;

    bool Ok() const { return ErrorCode == 0; }
    static ZipOutcome Failure(int code, const QString& reason) { return {code, reason}; }
    // A failure with libzip's own words for the code.
    static ZipOutcome FromCode(int code);
};

} // namespace orvane
