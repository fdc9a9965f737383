#include "cli_app.h"
#include "jobs/session.h"
#include "platform/operator_interface.h"
#include "tape/tape_access.h"
#include "tape/tape_menu_commands.h"

namespace orvane::cli {

int TapeDescriptionCommand(CommandEnvironment& env);

namespace {

// 0 when the drive did what was asked and nothing was reported on the way, else 1.
int Outcome(const Session& session, ResultCode result) {
    return result == ResultCode::Success ? ExitStatus(session) : 1;
}

} // namespace

int TapeCommand(CommandEnvironment& env) {
    Session& session = env.Session;
    const QStringList& args = env.Args;
    const QString action = args.value(0);
    if (args.size() == 1) {
        if (action == QLatin1String("rewind"))
            return RewindTapeCommand(session) ? ExitStatus(session) : 1;
        if (action == QLatin1String("eject"))
            return Outcome(session, EjectTape(session, true));
        if (action == QLatin1String("position")) {
            ResultCode answer = ResultCode::Success;
            GetTapePositionCommand(session, &answer);
            return Outcome(session, answer);
        }
        if (action == QLatin1String("description"))
            return TapeDescriptionCommand(env);
        if (action == QLatin1String("info")) {
            const TapeInfo info = ReadTapeInfo(session);
            for (const auto& [name, value] : TapeInfoValues(info))
                session.Op.ShowMessage(name + QStringLiteral(": ") + value);
            return info.DriveKnown && info.MediaKnown ? ExitStatus(session) : 1;
        }
        if (action == QLatin1String("load")) {
            // Runs without the start-up probe (see RunCli); the loaded tape gets it afterwards.
            session.Protocol.EnsureExists();
            const ResultCode result = LoadTapeCommand(session);
            if (result == ResultCode::Success)
                ProbeTapeDrive(session);
            return Outcome(session, result);
        }
        if (action == QLatin1String("tension"))
            return Outcome(session, TensionTapeCommand(session));
        if (action == QLatin1String("eod"))
            return Outcome(session, MoveToEndOfDataCommand(session));
        if (action == QLatin1String("erase"))
            return Outcome(session, DeleteTapeCommand(session));
        if (action == QLatin1String("format"))
            return Outcome(session, FormatTapeCommand(session));
        if (action == QLatin1String("filemarks"))
            return Outcome(session, SetFilemarksCommand(session));
        if (action == QLatin1String("blocksize"))
            return Outcome(session, SetTapeParametersCommand(session));
        if (action == QLatin1String("init-zero")) {
            // The end of the medium is where the run is meant to end; any other end is a
            // failure.
            const InitTapeResult run = InitTapeWithZeroCommand(session);
            return run.Opened && run.End == ResultCode::EndOfMedia ? 0 : 1;
        }
    }
    if (action == QLatin1String("goto") && args.size() == 2) {
        bool ok = false;
        args.at(1).toInt(&ok);
        if (!ok || args.at(1).toInt() < 0)
            throw UsageError{QStringLiteral("tape goto takes a block number, not ") + args.at(1)};
        MoveToBlock(session, args.at(1));
        return ExitStatus(session);
    }
    throw UsageError{QStringLiteral("tape takes info, description, eject, load, tension, rewind, "
                                    "eod, goto N, position, erase, format, init-zero, "
                                    "filemarks or blocksize")};
}

} // namespace orvane::cli
