#pragma once

#include <QStringList>

namespace orvane {

// Drops the lines of a path list that are empty or exactly one blank. Paths keep their case:
// Linux file names distinguish it.
void NormalizePathList(QStringList& list);

} // namespace orvane
