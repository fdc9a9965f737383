#include "cli_app.h"
#include "integrations/version_check.h"
#include "jobs/session.h"
#include "platform/product.h"
#include "terminal_operator.h"

namespace orvane::cli {

// The own version; with --check, "Check for newer Versions" through the job file's proxy.
int VersionCommand(CommandEnvironment& env) {
    QStringList args = env.Args;
    const bool check = TakeFlag(args, QStringLiteral("--check"));
    if (!args.isEmpty())
        throw UsageError{QStringLiteral("version takes no arguments but --check")};
    TerminalOperator& op = env.Op;
    if (!check) {
        op.Print(QStringLiteral("Orvane ") + ProductVersion());
        return 0;
    }
    const UpdateCheck result = CheckForNewerVersion(env.Session.Settings);
    switch (result.Outcome) {
    case UpdateCheck::Verdict::Failed:
        op.Print(UpdateFailedText());
        op.Err() << "orvane-cli: " << VersionFileUrl() << ": " << result.Error << Qt::endl;
        return 1;
    case UpdateCheck::Verdict::Nothing:
        return 0;
    case UpdateCheck::Verdict::Current:
        op.Print(CurrentVersionText());
        return 0;
    case UpdateCheck::Verdict::Newer:
        break;
    }
    op.Print(QStringLiteral("A newer Version of Orvane is available !"));
    op.Print(QStringLiteral("Your Version is: ") + result.OwnVersion);
    op.Print(QStringLiteral("The newer Version is:"));
    op.Out() << result.NewerText;
    op.Print(QStringLiteral("Download: ") + DownloadArchiveUrl());
    return 0;
}

} // namespace orvane::cli
