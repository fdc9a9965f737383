#include "cli_app.h"
#include "jobs/mail_report.h"
#include "jobs/session.h"

namespace orvane::cli {

// "Send" of the Email tab: mails the current protocol text, the last run of the protocol log,
// with the job file's e-mail settings.
int MailCommand(CommandEnvironment& env) {
    if (env.Args != QStringList{QStringLiteral("test")})
        throw UsageError{QStringLiteral("mail takes one argument: test")};
    Session& session = env.Session;
    return SendMailReport(session, LastRunProtocol(session)) ? 0 : 1;
}

} // namespace orvane::cli
