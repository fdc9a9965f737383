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

    const QString& Path() const { return m_path; }

    // Creates the log file empty when it does not exist.
    void EnsureExists() const;

    void AddProtocolLine(const QString& text);
    // Empty line, separator, empty line: the opening of every protocol block.
    void AddBlockOpening();

    // The whole log file, or nothing when it cannot be read (the error is shown).
    std::optional<QStringList> ReadAll() const;
    // Empties the log file; false when it cannot be read or written (the error is shown).
    bool Clear();

private:
    QString m_path;
    OperatorInterface& m_op;
    bool m_writeFailureShown = false;
};

} // namespace orvane
