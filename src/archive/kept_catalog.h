#pragma once

#include "archive_context.h"

#include <QString>

namespace orvane {

// The catalog of the last set written by this program stays beside the program's files once
// the set is sealed, so that a restore of a few files can go straight to them: the catalog on
// tape lies at the end of the set. It belongs to the set whose date it names; whoever uses a
// position from it checks it against the tape.
void KeepCatalogOfSet(ArchiveContext& ctx, double setDate);

// The kept catalog of the set with this date; empty when none is kept for it.
QString KeptCatalogFor(const ArchiveContext& ctx, double setDate);

} // namespace orvane
