#pragma once

#include "archive/archive_context.h"
#include "config/settings.h"
#include "platform/program_paths.h"
#include "platform/protocol_log.h"
#include "platform/tape_device.h"
#include "platform/work_directory_lock.h"

#include <QString>
#include <memory>

namespace orvane {

class OperatorInterface;

namespace detail {
// Built before the tape context, which refers to them.
struct SessionResources {
    SessionResources(OperatorInterface& op, const QString& programDirectory,
                     const QString& tapeChoice);
    orvane::ProgramPaths ProgramPaths;
    orvane::ProtocolLog ProtocolLog;
    QString TapeDriveName;
    std::unique_ptr<orvane::TapeDevice> TapeDevice;
};
} // namespace detail

// Everything one running Orvane holds: what the main window owned in one object, so that the
// window, the command line and the tests drive the same code, and a test can run many sessions
// in one process.
class Session : private detail::SessionResources, public ArchiveContext {
public:
    // `programDirectory` as ResolveProgramDirectory gives it; `tapeChoice` as for CreateTapeDevice.
    Session(OperatorInterface& op, const QString& programDirectory,
            const QString& tapeChoice = QString());

    using SessionResources::TapeDriveName;

    orvane::Settings Settings;
    // The current job file: the program directory's jobs.job until another one is loaded.
    QString JobFilePath;
    // True only while a job file is applied to the settings, which are then not written back.
    bool LoadingJobFile = false;
    // The job file error said last: a file that cannot be written is reported once, not on
    // every change of a setting.
    QString ReportedJobFileError;
    // What "All" or "Skip the rest" of the restore question decided for the rest of the run.
    enum class RestoreQuestions { Ask, RestoreAll, SkipAll };
    RestoreQuestions RestoreQuestionsLeft = RestoreQuestions::Ask;
    // A restore gives entries their recorded owners: only root may (see RestoreMetadataPass).
    bool KeepOwners = false;
    // A restore keeps owners by their numbers; otherwise by name where the name is known here,
    // as tar does.
    bool NumericOwner = false;
    // Whether the last backup run closed its tape set with the catalog and the end marker.
    bool TapeSetSealed = false;
    // Held while a job uses the work files; see WorkDirectoryClaim.
    WorkDirectoryLock WorkLock;

    // The main window's creation steps: busy mode, directories, the work files an ended run left
    // (only while no other run holds the work directory), the protocol log, the built-in tape
    // library, and the drive probe.
    void Start();
    // The delayed start-up about two seconds later: reads the tape description and leaves the
    // start-up busy mode. When the start-up probe found no usable medium, that has been reported
    // already and the tape description is not read (it would only report the same again).
    void DelayedStart();

private:
    bool m_startProbeFailed = false;
};

} // namespace orvane
