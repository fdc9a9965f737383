#include "session.h"

#include "archive/legacy_description.h"
#include "platform/message_pump.h"
#include "platform/operator_interface.h"
#include "platform/tape_device_factory.h"
#include "platform/virtual_tape_library.h"
#include "tape/tape_access.h"
#include "tape/tape_description_io.h"
#include "work_directory_claim.h"

#include <QDir>
#include <unistd.h>

namespace orvane {

namespace detail {
SessionResources::SessionResources(OperatorInterface& op, const QString& programDirectory,
                                   const QString& tapeChoice)
    : ProgramPaths(programDirectory), ProtocolLog(ProgramPaths.LogFilePath, op),
      TapeDriveName(ChosenTapeDrive(ProgramPaths.ProgramDirectory, tapeChoice)),
      TapeDevice(CreateTapeDevice(ProgramPaths.ProgramDirectory, TapeDriveName)) {}
} // namespace detail

Session::Session(OperatorInterface& op, const QString& programDirectory, const QString& tapeChoice)
    : SessionResources(op, programDirectory, tapeChoice),
      ArchiveContext(op, ProtocolLog, *TapeDevice, ProgramPaths),
      JobFilePath(ProgramPaths.JobFilePath), KeepOwners(::geteuid() == 0),
      WorkLock(ProgramPaths.WorkLockPath) {
    ReadLegacyDescription = [this](TapeDescription& description) {
        orvane::ReadLegacyDescription(*this, description);
    };
}

void Session::Start() {
    EnterBusyMode(*this);
    CancelFlag = false;
    QDir().mkpath(Paths.ProgramDirectory);
    QDir().mkpath(Paths.WorkDirectory);
    // Work files belong to the run that made them: another program on this directory may be in
    // the middle of a job.
    if (QString busy; WorkLock.TryAcquire(busy)) {
        RemoveAbandonedWorkFiles(Paths);
        WorkLock.Release();
    }
    Protocol.EnsureExists();
    // A new user starts on the built-in library with one cartridge loaded, ready for a backup.
    if (const QString library = VirtualLibraryDirectory(TapeDriveName); !library.isEmpty()) {
        if (const QString error = VirtualTapeLibrary::At(library)->EnsureCreated();
            !error.isEmpty())
            Op.ShowError(error);
    }
    ProbeTapeDrive(*this);
    m_startProbeFailed = CancelFlag;
}

void Session::DelayedStart() {
    PumpMessages(100);
    if (m_startProbeFailed) {
        LeaveBusyMode(*this);
    } else {
        LoadTapeDescription(*this);
    }
    PumpMessages(100);
}

} // namespace orvane
