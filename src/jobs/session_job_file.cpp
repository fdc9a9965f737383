#include "session_job_file.h"

#include "config/job_file.h"
#include "platform/operator_interface.h"
#include "session.h"

#include <QDir>
#include <QFileInfo>

namespace orvane {

namespace {

// Says the error in the status and the protocol unless it was said last; an empty error ends
// the silence, so that the next failure is said again.
void ReportJobFileError(Session& session, const QString& error) {
    if (error.isEmpty() || error == session.ReportedJobFileError) {
        session.ReportedJobFileError = error;
        return;
    }
    session.ReportedJobFileError = error;
    session.Op.SetStatus(error);
    session.Protocol.AddProtocolLine(error);
}

} // namespace

QString LoadSessionJobFile(Session& session) {
    // The default job file lives in the program directory, which a first start has yet to make.
    QDir().mkpath(QFileInfo(session.JobFilePath).absolutePath());
    session.LoadingJobFile = true;
    const JobFileLoad load = LoadJobFile(session.JobFilePath, session.Settings);
    session.LoadingJobFile = false;
    ReportJobFileError(session, load.Error);
    return load.Error;
}

void SaveJobSettings(Session& session) {
    if (session.LoadingJobFile)
        return;
    ReportJobFileError(session, SaveJobFileSettings(session.JobFilePath, session.Settings));
}

QString SaveSessionJobFileAs(Session& session, const QString& path) {
    session.JobFilePath = path;
    const QString error = SaveJobFileLists(path, session.Settings);
    // An explicit Save always hears about its failure.
    if (!error.isEmpty())
        session.ReportedJobFileError.clear();
    ReportJobFileError(session, error);
    return error;
}

} // namespace orvane
