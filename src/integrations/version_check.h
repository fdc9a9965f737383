#pragma once

#include <QString>

namespace orvane {

struct Settings;

constexpr int DefaultUpdateTimeoutSeconds = 30;

// The version file: its first line is the newest version, the lines after it are shown as they
// are. $ORVANE_UPDATE_URL names another one.
QString VersionFileUrl();
// The download archive and the download page, on the site of the version file.
QString DownloadArchiveUrl();
QString DownloadPageUrl();

// The answer to "Check for newer Versions".
struct UpdateCheck {
    enum class Verdict {
        Failed,  // the request failed: Error says why
        Nothing, // an empty version file: nothing to say
        Current, // the first line is the own version
        Newer,   // anything else: the live update dialog
    };
    Verdict Outcome = Verdict::Failed;
    QString OwnVersion;
    QString NewerText; // every line of the version file, each followed by a line break
    QString Error;
};

// The texts the operator reads.
QString UpdateFailedText();   // "ERROR ! Could not found the requested URL ! Please try again"
QString CurrentVersionText(); // "Your Version of Orvane is the current Version!"

// The verdict over a fetched version file: the first line against `ownVersion`, as exact
// strings (a trailing blank or an older version still counts as different).
UpdateCheck JudgeVersionFile(const QString& body, const QString& ownVersion);

// Fetches the version file with HTTP/1.0 (redirects followed; through the settings' "Proxy
// Server IP" and "Proxy Port" when a proxy is set, else directly) off the calling thread, the
// window alive meanwhile, and judges it against the own version.
UpdateCheck CheckForNewerVersion(const Settings& settings,
                                 int timeoutSeconds = DefaultUpdateTimeoutSeconds);

} // namespace orvane
