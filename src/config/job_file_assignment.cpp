#include "job_file_assignment.h"

#include "job_file_keys.h"
#include "job_file_values.h"

namespace orvane {

JobFileAssignment ApplyJobFileAssignment(Settings& settings, const QString& assignment) {
    const qsizetype equals = assignment.indexOf(QLatin1Char('='));
    const qsizetype slash = assignment.left(equals).indexOf(QLatin1Char('/'));
    if (equals < 0 || slash < 0)
        return {false,
                QStringLiteral("--set expects \"SECTION/KEY=VALUE\", not \"%1\"").arg(assignment)};
    const QString name = assignment.left(equals).trimmed();
    const QString section = assignment.left(slash);
    const QString key = assignment.mid(slash + 1, equals - slash - 1);
    const QString value = assignment.mid(equals + 1);

    const JobFileKey* entry = FindJobFileKey(section, key);
    switch (TakeJobFileValue(settings, section, key, value)) {
    case JobValueOutcome::UnknownKey:
        return {false, QStringLiteral("--set: the job file has no setting \"%1\"").arg(name)};
    case JobValueOutcome::Taken:
        return {true, QString()};
    case JobValueOutcome::Cut:
        return {true, QStringLiteral("--set %1: the value is cut to its first %2 characters")
                          .arg(name)
                          .arg(MaxJobFileValueLength)};
    case JobValueOutcome::Clamped:
        return {true, QStringLiteral("--set %1: %2 is out of range, %3 is used")
                          .arg(name, value.trimmed(), JobFileText(settings, *entry))};
    case JobValueOutcome::Defaulted:
        return {true,
                QStringLiteral("--set %1: \"%2\" is not a valid value, the default %3 is used")
                    .arg(name, value.trimmed(), JobFileText(settings, *entry))};
    }
    return {true, QString()};
}

} // namespace orvane
