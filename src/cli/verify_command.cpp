#include "cli_app.h"
#include "jobs/session.h"
#include "jobs/verify_run.h"
#include "terminal_operator.h"

namespace orvane::cli {

// Verifies the loaded tape set against the disk and prints the verify report; exit status 1
// when a file is defect.
int VerifyCommand(CommandEnvironment& env) {
    if (!env.Args.isEmpty())
        throw UsageError{QStringLiteral("verify takes no arguments")};
    env.Op.SetVerifyReportShown(true);
    const VerifyResult result = VerifyTape(env.Session);
    env.Op.SetVerifyReportShown(false);
    if (!result.Verified || result.VerifiedDefect > 0)
        return 1;
    return ExitStatus(env.Session);
}

} // namespace orvane::cli
