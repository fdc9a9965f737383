#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace orvane {

class OperatorInterface;

// The run protocol, kept at once in the log file (CR LF lines, only ever appended to) and in the
// operator's protocol views.
class ProtocolLog {
public:
    ProtocolLog(QString logFilePath, OperatorInterface& op);

    static QString Separator(); // 89 hyphens

    const QString& path() const { return m_path; }

    // Creates the log file empty when it does not exist.
    void ensureExists() const;

    void AddProtocolLine(const QString& text);
    // Empty line, separator, empty line: the opening of every protocol block.
    void AddBlockOpening();

    // The whole log file, or nothing when it cannot be read (the error is shown).
    std::optional<QStringList> readAll() const;
    // Empties the log file; false when it cannot be read or written (the error is shown).
    bool clear();

private:
    QString m_path;
    OperatorInterface& m_op;
    bool m_writeFailureShown = false;
};

} // namespace orvane
