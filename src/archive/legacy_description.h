#pragma once

#include "archive_context.h"

#include <QDateTime>

namespace orvane {

// Tapes of the older layout carry no description block: their stream starts at block 0 with a
// text file "header.tap" whose first line is the label and whose second line is the date.
// Fills the date, number (255) and label of `description` from it and marks the tape legacy.
void ReadLegacyDescription(ArchiveContext& ctx, TapeDescription& description);

// The date line of such a file, in the date-time forms the older program wrote.
QDateTime ParseLegacyDate(const QString& text);

} // namespace orvane
