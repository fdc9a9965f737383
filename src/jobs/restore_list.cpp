#include "restore_list.h"

#include "platform/operator_interface.h"
#include "session.h"

namespace orvane {

void SetRestoreList(Session& session, const QStringList& lines) {
    session.Settings.RestoreList = lines;
    session.Op.SetRestoreList(lines);
}

void AppendRestoreListLine(Session& session, const QString& line) {
    session.Settings.RestoreList << line;
    session.Op.AppendRestoreListLine(line);
}

} // namespace orvane
