#include "session.h"

#include "platform/operator_interface.h"
#include "platform/message_pump.h"
#include "platform/tape_device_factory.h"
#include "platform/virtual_tape_library.h"
#include "tape/tape_access.h"

#include <QDir>
#include <QFile>

namespace orvane {

ProgramPaths::ProgramPaths(const QString& programDirectory)
    : ProgramDirectory(programDirectory.endsWith(QLatin1Char('/'))
                           ? programDirectory
                           : programDirectory + QLatin1Char('/')),
      WorkDirectory(ProgramDirectory + QStringLiteral("worker/")),
      CatalogFilePath(WorkDirectory + QStringLiteral("orvane catalog.dat")),
      TapeHeaderPath(WorkDirectory + QStringLiteral("header.tap")),
      SoftCompressionArchivePath(WorkDirectory + QStringLiteral("orvane_backup.zip")),
      JobFilePath(ProgramDirectory + QStringLiteral("jobs.job")),
      LogFilePath(ProgramDirectory + QStringLiteral("orvane_backup.log")) {}

namespace detail {
SessionResources::SessionResources(OperatorInterface& op, const QString& programDirectory,
                                   const QString& tapeChoice)
    : paths(programDirectory), protocolLog(paths.LogFilePath, op),
      tapeDriveName(ChosenTapeDrive(paths.ProgramDirectory, tapeChoice)),
      tapeDevice(CreateTapeDevice(paths.ProgramDirectory, tapeDriveName)) {}
} // namespace detail

Session::Session(OperatorInterface& op, const QString& programDirectory, const QString& tapeChoice)
    : SessionResources(op, programDirectory, tapeChoice),
      TapeContext(op, protocolLog, *tapeDevice) {}

void Session::Start() {
    EnterBusyMode();
    CancelFlag = false;
    QDir().mkpath(paths.ProgramDirectory);
    QDir().mkpath(paths.WorkDirectory);
    QFile::remove(paths.SoftCompressionArchivePath);
    QFile::remove(paths.CatalogFilePath);
    protocol.ensureExists();
    // A new user starts on the built-in library with one cartridge loaded, ready for a backup.
    if (const QString library = VirtualLibraryDirectory(tapeDriveName); !library.isEmpty()) {
        if (const QString error = VirtualTapeLibrary::at(library)->ensureCreated();
            !error.isEmpty())
            op.showError(error);
    }
    ProbeTapeDrive(*this);
}

void Session::DelayedStart() {
    PumpMessages(100);
    EnterBusyMode();
    LeaveBusyMode();
    PumpMessages(100);
}

void Session::EnterBusyMode() {
    op.setListEditingLocked(true);
    op.setBusyMode(true);
    PumpMessages(1);
}

void Session::LeaveBusyMode() {
    op.setListEditingLocked(false);
    op.setBusyMode(false);
    PumpMessages(1);
}

} // namespace orvane
