#include "path_list.h"

namespace orvane {

void NormalizePathList(QStringList& list) {
    list.removeIf([](const QString& line) { return line.isEmpty() || line == QLatin1String(" "); });
}

} // namespace orvane
