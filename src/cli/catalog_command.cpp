#include "cli_app.h"
#include "jobs/catalog_entry_text.h"
#include "jobs/catalog_load.h"
#include "jobs/catalog_paths.h"
#include "jobs/restore_match.h"
#include "jobs/session.h"
#include "platform/path_bytes.h"
#include "tape/tape_description_io.h"
#include "terminal_operator.h"

#include <algorithm>

namespace orvane::cli {

namespace {

bool Selected(const QByteArray& path, const QStringList& selections) {
    if (selections.isEmpty())
        return true;
    for (const QString& selection : selections)
        if (MatchRestoreLine(path, selection) != RestoreSelection::NotSelected)
            return true;
    return false;
}

// Printable ASCII shows as its own bytes, whatever the form of the path.
bool ShowsAsItsBytes(QByteArrayView path) {
    return std::all_of(path.begin(), path.end(), [](char c) { return c >= 0x20 && c < 0x7f; });
}

} // namespace

// Lists the files of the catalog tree, one full path a line, in the tree's order: all of them, or
// those that the SELECTIONs (restore-list lines or shell patterns) select. With --null each path
// is its bytes ended by a NUL, for scripts (xargs -0). With -v (--verbose) each line shows the
// entry as `tar -tv` does, empty directories included (CatalogEntryLine); with --sequential
// also how its data is stored.
int CatalogCommand(CommandEnvironment& env) {
    QStringList args = env.Args;
    const bool sequential = TakeFlag(args, QStringLiteral("--sequential"));
    const bool nulEnded = TakeFlag(args, QStringLiteral("--null"));
    const bool verbose =
        TakeFlag(args, QStringLiteral("-v")) || TakeFlag(args, QStringLiteral("--verbose"));
    if (verbose && nulEnded)
        throw UsageError{QStringLiteral("catalog takes -v or --null, not both")};
    for (const QString& argument : args)
        if (argument.startsWith(QLatin1String("--")))
            throw UsageError{QStringLiteral("unknown option ") + argument};
    Session& session = env.Session;
    std::shared_ptr<const CatalogTree> tree;
    if (sequential) {
        // The scan asks for tape 1 of the loaded set, as the window knows it from its start-up.
        LoadTapeDescription(session);
        tree = LoadCatalogSequential(session);
    } else {
        tree = LoadCatalogFast(session);
    }
    if (!tree || tree->IsEmpty())
        return 1;
    // The lines go out in pieces of some size: one write per path would cost more than the
    // whole load for a catalog of millions.
    bool found = false;
    const SetMetadata* metadata = tree->Metadata();
    QByteArray pending;
    constexpr qsizetype PieceBytes = 1 << 16;
    tree->ForEachFilePath(
        [&](const QByteArray& path) {
            if (!Selected(path, args))
                return;
            found = true;
            if (nulEnded) {
                pending.append(path).append('\0');
            } else if (verbose) {
                const QByteArray own =
                    path.endsWith('/') && path.size() > 1 ? path.chopped(1) : path;
                pending
                    .append(
                        DisplayPath(CatalogEntryLine(own, metadata ? metadata->Find(own) : nullptr,
                                                     sequential))
                            .toUtf8())
                    .append('\n');
            } else if (ShowsAsItsBytes(path)) {
                pending.append(path).append('\n');
            } else {
                pending.append(DisplayPath(TapePathText(path)).toUtf8()).append('\n');
            }
            if (pending.size() >= PieceBytes) {
                env.Op.PrintBytes(pending);
                pending.clear();
            }
        },
        verbose);
    if (!pending.isEmpty())
        env.Op.PrintBytes(pending);
    if (!found) {
        env.Op.Err() << "orvane-cli: nothing on tape matches " << args.join(QLatin1Char(' '))
                     << Qt::endl;
        return 1;
    }
    return ExitStatus(session);
}

} // namespace orvane::cli
