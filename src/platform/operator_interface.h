#pragma once

#include "run_progress.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace orvane {

enum class MessageIcon { None, Information, Warning, Error, Question };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

// What a command puts in front of the operator when it starts or ends.
enum class OperatorView {
    BackupRun,   // a backup starts: its counters
    BackupList,  // a command changed the backup list
    RestoreRun,  // a restore starts: the restore list and its counters
    CatalogLoad, // a catalog load starts: the catalog tree, the restore list and its counters
    VerifyRun,   // a verify starts: the verify report and its counters
    Protocol,    // a run has ended and shows its protocol
};

// Progress reports of the runs. A report carries only the counters that changed; an empty field
// leaves what the operator sees. Sizes are whole MiB (bytes div 1048576).
struct BackupProgress {
    std::optional<int64_t> SourceMiB{}; // read from the sources
    std::optional<int64_t> TapeMiB{};   // written to tape, after compression
    std::optional<int64_t> Files{};     // files backed up
    std::optional<int64_t> Skipped{};   // files excluded or skipped
    std::optional<double> Rate{};       // MiB per second, two decimals
};

struct RestoreProgress {
    std::optional<int64_t> RestoredMiB{}; // written to disk
    std::optional<int64_t> TapeMiB{};     // read from tape
    std::optional<int64_t> Files{};       // files restored
};

struct VerifyProgress {
    std::optional<int64_t> TapeMiB{}; // read from tape
    std::optional<int64_t> Files{};   // files compared
};

// Reading the catalog, or the tape description of an old tape, from tape. The operator sees it
// where the restore progress is shown.
struct CatalogProgress {
    std::optional<int64_t> TapeMiB{}; // read from tape
    std::optional<int64_t> Entries{}; // catalog entries read
};

enum class TapeRequestKind {
    NextTapeForWriting, // any tape that may be overwritten, to continue a set
    TapeOfSet,          // tape `TapeNumber` of the set dated `SetDate`
    LastTapeOfSet,      // the last tape of the set dated `SetDate`
};

// A request to put a certain tape into the drive. The operator answers OK once it is in, or
// Cancel to give up the operation that waits for it.
// The answer to the question of "Restore with asking" for one file.
struct RestoreAnswer {
    enum class Choice {
        Path,     // restore to Path
        All,      // to the offered path, and every later file to its own without asking
        Skip,     // not this file
        SkipRest, // neither this file nor any later one
    };
    Choice Given = Choice::Skip;
    QString Path;
};

struct TapeRequest {
    TapeRequestKind Kind = TapeRequestKind::NextTapeForWriting;
    int TapeNumber = 0;
    double SetDate = 0;
    QString Text; // the prompt's wording
};

// Everything the core shows the operator or asks of him. The desktop window implements it with
// widgets, the command line with the terminal, the tests with scripted answers. No core routine
// opens a widget itself.
class OperatorInterface {
public:
    virtual ~OperatorInterface() = default;

    // A modal message box; answers the button pressed.
    virtual MessageAnswer MessageBox(const QString& text, const QString& caption, MessageIcon icon,
                                     MessageButtons buttons) = 0;
    // A modal input box; empty optional when cancelled.
    virtual std::optional<QString> InputBox(const QString& caption, const QString& prompt,
                                            const QString& defaultValue) = 0;
    // "Restoredialog": where one file goes, offering `offered`. Without answers of its own an
    // operator has the input box (OK or Cancel).
    virtual RestoreAnswer AskRestorePath(const QString& offered) {
        const auto path =
            InputBox(QStringLiteral("Restoredialog"), QStringLiteral("Restore to:"), offered);
        return path ? RestoreAnswer{RestoreAnswer::Choice::Path, *path} : RestoreAnswer{};
    }

    virtual void SetStatus(const QString& text) = 0;
    virtual void SetCaption(const QString& text) = 0;
    // A protocol line for the protocol view and the e-mail text (the log file is written by
    // ProtocolLog itself).
    virtual void AppendProtocolLine(const QString& text) = 0;
    virtual void ShowView(OperatorView view) = 0;
    virtual void ShowBackupProgress(const BackupProgress& progress) = 0;
    virtual void ShowRestoreProgress(const RestoreProgress& progress) = 0;
    virtual void ShowVerifyProgress(const VerifyProgress& progress) = 0;
    virtual void ShowCatalogProgress(const CatalogProgress& progress) = 0;
    // A backup, restore or verify against the whole of its work, a few times a second at most;
    // the run's last report is marked Final.
    virtual void ShowRunProgress(const RunProgress& /*progress*/) {}
    // EnterBusyMode / LeaveBusyMode and LockListEditing / UnlockListEditing.
    virtual void SetBusyMode(bool busy) = 0;
    virtual void SetListEditingLocked(bool locked) = 0;
    virtual void SetBusyCursor(bool busy) = 0;

    // Asks for a tape; by default a plain OK/Cancel box with the request's text.
    virtual MessageAnswer RequestTape(const TapeRequest& request) {
        return MessageBox(request.Text, QString(), MessageIcon::Information,
                          MessageButtons::OkCancel);
    }

    // The restore list: a catalog load replaces it, the sequential catalog scan lists
    // the paths it passes there, picking a node of the catalog tree adds a line. The settings'
    // RestoreList changes alongside.
    virtual void SetRestoreList(const QStringList& /*lines*/) {}
    virtual void AppendRestoreListLine(const QString& /*line*/) {}
    // The verify report, emptied at the start of each verify.
    virtual void ClearVerifyReport() {}
    virtual void AppendVerifyLine(const QString& /*line*/) {}

    // Shorthands for the common boxes.
    void ShowMessage(const QString& text) {
        MessageBox(text, QString(), MessageIcon::None, MessageButtons::Ok);
    }
    void ShowError(const QString& text) {
        MessageBox(text, QStringLiteral("Error"), MessageIcon::Error, MessageButtons::Ok);
    }
};

} // namespace orvane
