#pragma once

#include "integrations/smtp_send.h"

#include <QString>
#include <QStringList>

namespace orvane {

class Session;

// "Send" of the Email tab, and the report after a backup: mails `body` with the session's e-mail
// settings and writes the outcome into the protocol ("Your Email Message was sent !" or "Error:
// Your Email Message was not sent !"). The SMTP dialogue runs off the calling thread, the window
// stays alive meanwhile, and the outcome line is written before this returns, so it lands in the
// order of the run. Why a sending failed goes to the status line. True when it was sent.
bool SendMailReport(Session& session, const QStringList& body,
                    int timeoutSeconds = DefaultMailTimeoutSeconds);

// The current protocol text where no window holds one: the last run of the protocol log.
QStringList LastRunProtocol(Session& session);

// The lines of the last run in a protocol: from the block opening before the last start line
// ("... startet at: ") on; all lines when there is none.
QStringList LastRunLines(const QStringList& protocol);

} // namespace orvane
