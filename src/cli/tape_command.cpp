#include "cli_app.h"
#include "jobs/session.h"
#include "platform/operator_interface.h"
#include "tape/tape_access.h"

namespace orvane::cli {

int TapeDescriptionCommand(CommandEnvironment& env);

int TapeCommand(CommandEnvironment& env) {
    Session& session = env.Session;
    const QStringList& args = env.Args;
    const QString action = args.value(0);
    if (action == QLatin1String("rewind") && args.size() == 1) {
        SetBusyCursor(session);
        const bool rewound = RewindWithStatus(session);
        RestoreCursor(session);
        return rewound ? ExitStatus(session) : 1;
    }
    if (action == QLatin1String("eject") && args.size() == 1)
        return EjectTape(session, true) == ResultCode::Success ? ExitStatus(session) : 1;
    if (action == QLatin1String("position") && args.size() == 1) {
        SetBusyCursor(session);
        TapeHandlePtr handle = OpenTape(session);
        int64_t position = 0;
        if (handle) {
            position = ReadTapePosition(session, *handle);
            CloseTape(handle, 1);
        }
        RestoreCursor(session);
        session.Op.ShowMessage(QStringLiteral("Tape at Block: ") + QString::number(position));
        return ExitStatus(session);
    }
    if (action == QLatin1String("goto") && args.size() == 2) {
        bool ok = false;
        args.at(1).toInt(&ok);
        if (!ok || args.at(1).toInt() < 0)
            throw UsageError{QStringLiteral("tape goto takes a block number, not ") + args.at(1)};
        MoveToBlock(session, args.at(1));
        return ExitStatus(session);
    }
    if (action == QLatin1String("description") && args.size() == 1)
        return TapeDescriptionCommand(env);
    throw UsageError{QStringLiteral("tape takes rewind, eject, position, goto N or description")};
}

} // namespace orvane::cli
