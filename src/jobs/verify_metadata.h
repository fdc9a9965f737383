#pragma once

#include "archive/entry_metadata.h"

#include <QByteArray>
#include <QSet>

namespace orvane {

class Session;
struct VerifyResult;

// The end of a verify of a set with entry metadata: compares each entry's permission bits and
// owner with the disk, each symbolic link's target, each hard link's file, and finds every
// directory. A difference is a defect in the verify report, in the style of a differing file;
// a file already counted OK (in `verifiedOk`, by tape path) then counts as defect instead. Links
// count as files; directories count only when defect.
void VerifyMetadata(Session& session, VerifyResult& result, const SetMetadata& metadata,
                    const QSet<QByteArray>& verifiedOk);

} // namespace orvane
