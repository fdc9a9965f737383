#include "path_list.h"

namespace orvane {

void NormalizePathList(QStringList& list) {
    // A copy of the kept lines, not QList::removeIf: Qt 6.4's removeIf does pointer arithmetic on a
    // null pointer for some lists (UBSan).
    QStringList kept;
    kept.reserve(list.size());
    for (const QString& line : std::as_const(list))
        if (!line.isEmpty() && line != QLatin1String(" "))
            kept << line;
    list = std::move(kept);
}

} // namespace orvane
