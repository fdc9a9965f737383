#pragma once

#include <QString>
#include <QTemporaryDir>

namespace orvane::test {

// A fresh program directory for one test, removed afterwards.
class TempHome {
public:
    TempHome() { m_dir.setAutoRemove(true); }
    QString Path() const { return m_dir.path() + QLatin1Char('/'); }
    QString File(const QString& name) const { return Path() + name; }
    QString LibraryDir() const { return Path() + QStringLiteral("vtape"); }
    QString TapeChoice() const { return QStringLiteral("vtape:") + LibraryDir(); }

private:
    QTemporaryDir m_dir;
};

} // namespace orvane::test
