#include "scratch_home.h"

#include <QDir>
#include <QTemporaryDir>
#include <cstdlib>

namespace orvane::fuzz {

QString FreshScratchHome() {
    static QTemporaryDir base;
    const QString home = base.path() + QStringLiteral("/home/");
    QDir(home).removeRecursively();
    if (!QDir().mkpath(home))
        std::abort(); // nothing a run could tell would be worth anything
    return home;
}

} // namespace orvane::fuzz
