#pragma once

#include <QString>
#include <QStringList>

namespace orvane {

class Session;

// The restore list lives in the settings and in the operator's view at once; these keep
// both in step.
void SetRestoreList(Session& session, const QStringList& lines);
void AppendRestoreListLine(Session& session, const QString& line);

} // namespace orvane
