#pragma once

#include <QString>
#include <QTemporaryDir>

namespace orvane::test {

// A fresh program directory for one test, removed afterwards.
class TempHome {
public:
    TempHome() { m_dir.setAutoRemove(true); }
    QString path() const { return m_dir.path() + QLatin1Char('/'); }
    QString file(const QString& name) const { return path() + name; }
    QString libraryDir() const { return path() + QStringLiteral("vtape"); }
    QString tapeChoice() const { return QStringLiteral("vtape:") + libraryDir(); }

private:
    QTemporaryDir m_dir;
};

} // namespace orvane::test
