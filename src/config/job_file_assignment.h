#pragma once

#include "settings.h"

#include <QString>

namespace orvane {

struct JobFileAssignment {
    bool Valid = false;
    // Why the assignment is not valid; for a valid one, a note when the value was not taken as
    // given (cut, clamped, or replaced by the default).
    QString Message;
};

// Applies one "SECTION/KEY=VALUE" assignment, as the job file would set it.
JobFileAssignment ApplyJobFileAssignment(Settings& settings, const QString& assignment);

} // namespace orvane
