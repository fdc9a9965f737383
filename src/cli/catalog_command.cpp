#include "cli_app.h"
#include "jobs/catalog_load.h"
#include "jobs/catalog_paths.h"
#include "jobs/session.h"
#include "tape/tape_description_io.h"
#include "terminal_operator.h"

namespace orvane::cli {

// Lists every file of the catalog tree, one full path a line, in the tree's order.
int CatalogCommand(CommandEnvironment& env) {
    QStringList args = env.Args;
    const bool sequential = TakeFlag(args, QStringLiteral("--sequential"));
    if (!args.isEmpty())
        throw UsageError{QStringLiteral("catalog takes no argument but --sequential, not ") +
                         args.first()};
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
    for (const QByteArray& path : tree->FilePaths())
        env.Op.Print(TapePathText(path));
    return ExitStatus(session);
}

} // namespace orvane::cli
