#include "cli_app.h"
#include "jobs/session.h"
#include "platform/tape_device_factory.h"
#include "platform/virtual_tape_library.h"
#include "terminal_operator.h"

#include <QLocale>
#include <QRegularExpression>

namespace orvane::cli {

namespace {

// "123", "400G", "2.5T", "512MiB": binary multiples, as tape sizes are usually given.
int64_t ParseCapacity(const QString& text) {
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*([0-9]+(?:\\.[0-9]+)?)\\s*([KMGT]?)(?:i?B)?\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    const auto match = pattern.match(text);
    if (!match.hasMatch())
        throw UsageError{QStringLiteral("--capacity takes a number of bytes, not ") + text};
    const QString unit = match.captured(2).toUpper();
    const int shift = QStringLiteral(" KMGT").indexOf(unit.isEmpty() ? QStringLiteral(" ") : unit);
    return int64_t(match.captured(1).toDouble() * double(int64_t(1) << (10 * shift)));
}

QString SizeText(int64_t bytes) {
    return QLocale::c().formattedDataSize(bytes, 1, QLocale::DataSizeIecFormat);
}

int Report(TerminalOperator& op, const QString& error) {
    if (error.isEmpty())
        return 0;
    op.Print(QStringLiteral("Error: ") + error);
    return 1;
}

// "fault" lists the staged faults, "fault clear" drops them, "fault KIND N" stages one.
int FaultCommand(CommandEnvironment& env, VirtualTapeLibrary& library, const QStringList& args) {
    if (args.isEmpty()) {
        for (const QString& line : library.PendingFaults())
            env.Op.Print(line);
        return 0;
    }
    if (args.size() == 1 && args.first() == QLatin1String("clear"))
        return Report(env.Op, library.ClearFaults());
    QStringList kinds;
    for (TapeFault fault : TapeFaultPlan::AllFaults())
        kinds << TapeFaultPlan::NameOf(fault);
    const auto fault = TapeFaultPlan::FaultNamed(args.first());
    bool ok = false;
    const int64_t count = args.size() == 2 ? args.at(1).toLongLong(&ok) : 0;
    if (!fault || !ok || count < 1)
        throw UsageError{QStringLiteral("vtape fault takes clear or one of %1 and a count from 1")
                             .arg(kinds.join(QStringLiteral(", ")))};
    return Report(env.Op, library.SetFault(*fault, count));
}

} // namespace

int VtapeCommand(CommandEnvironment& env) {
    const QString directory = VirtualLibraryDirectory(env.Session.TapeDriveName);
    if (directory.isEmpty())
        throw UsageError{QStringLiteral("the drive ") + env.Session.TapeDriveName +
                         QStringLiteral(" is not a virtual tape library")};
    auto library = VirtualTapeLibrary::At(directory);
    QStringList args = env.Args;
    const QString action = args.isEmpty() ? QString() : args.takeFirst();

    if (action == QLatin1String("create")) {
        const QString capacityText = TakeValue(args, QStringLiteral("--capacity"));
        const QString partitionsText = TakeValue(args, QStringLiteral("--partitions"));
        const bool writeProtected = TakeFlag(args, QStringLiteral("--protected"));
        if (args.size() != 1)
            throw UsageError{QStringLiteral("vtape create takes one cartridge name")};
        const int64_t capacity = capacityText.isEmpty() ? VirtualTapeLibrary::DefaultCapacity
                                                        : ParseCapacity(capacityText);
        bool ok = true;
        const uint32_t partitions = partitionsText.isEmpty() ? 1 : partitionsText.toUInt(&ok);
        if (!ok || partitions < 1 || partitions > 64)
            throw UsageError{QStringLiteral("--partitions takes a number from 1 to 64")};
        return Report(env.Op,
                      library->CreateCartridge(args.first(), capacity, partitions, writeProtected));
    }
    if (action == QLatin1String("insert")) {
        if (args.size() != 1)
            throw UsageError{QStringLiteral("vtape insert takes one cartridge name")};
        return Report(env.Op, library->Insert(args.first()));
    }
    if (action == QLatin1String("eject") && args.isEmpty())
        return Report(env.Op, library->Eject());
    if (action == QLatin1String("list") && args.isEmpty()) {
        const auto cartridges = library->Cartridges();
        if (cartridges.empty())
            env.Op.Print(QStringLiteral("No cartridges in ") + directory);
        for (const CartridgeInfo& cartridge : cartridges) {
            QString line = QStringLiteral("%1  capacity %2  used %3  partitions %4")
                               .arg(cartridge.Name, -12)
                               .arg(SizeText(cartridge.Capacity))
                               .arg(SizeText(cartridge.EndOfDataBlocks * TapeBlockSize))
                               .arg(cartridge.Partitions);
            if (cartridge.WriteProtected)
                line += QStringLiteral("  write-protected");
            if (cartridge.Loaded)
                line += QStringLiteral("  (loaded)");
            env.Op.Print(line);
        }
        return 0;
    }
    if (action == QLatin1String("fault"))
        return FaultCommand(env, *library, args);
    throw UsageError{QStringLiteral("vtape takes create, insert, eject, list or fault")};
}

} // namespace orvane::cli
