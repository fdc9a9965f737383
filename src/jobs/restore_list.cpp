#include "restore_list.h"

#include "platform/operator_interface.h"
#include "session.h"

namespace orvane {

void SetRestoreList(Session& session, const QStringList& lines) {
    session.settings.RestoreList = lines;
    session.op.setRestoreList(lines);
}

void AppendRestoreListLine(Session& session, const QString& line) {
    session.settings.RestoreList << line;
    session.op.appendRestoreListLine(line);
}

} // namespace orvane
