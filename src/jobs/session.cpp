#include "session.h"

#include "archive/legacy_description.h"
#include "platform/message_pump.h"
#include "platform/operator_interface.h"
#include "platform/tape_device_factory.h"
#include "platform/virtual_tape_library.h"
#include "tape/tape_access.h"
#include "tape/tape_description_io.h"

#include <QDir>
#include <QFile>

namespace orvane {

namespace detail {
SessionResources::SessionResources(OperatorInterface& op, const QString& programDirectory,
                                   const QString& tapeChoice)
    : programPaths(programDirectory), protocolLog(programPaths.LogFilePath, op),
      tapeDriveName(ChosenTapeDrive(programPaths.ProgramDirectory, tapeChoice)),
      tapeDevice(CreateTapeDevice(programPaths.ProgramDirectory, tapeDriveName)) {}
} // namespace detail

Session::Session(OperatorInterface& op, const QString& programDirectory, const QString& tapeChoice)
    : SessionResources(op, programDirectory, tapeChoice),
      ArchiveContext(op, protocolLog, *tapeDevice, programPaths) {
    ReadLegacyDescription = [this](TapeDescription& description) {
        orvane::ReadLegacyDescription(*this, description);
    };
}

void Session::Start() {
    EnterBusyMode(*this);
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
