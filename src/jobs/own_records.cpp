#include "own_records.h"

#include "archive/backup_inclusion.h"
#include "archive/tape_records.h"
#include "tape/end_marker.h"

#include <utility>

namespace orvane {

bool OwnRecordWatch::IsFiller(const TapeFileHeader& header) const {
    if (header.Compressed || header.DataLength == 0 || !IsWorkFileRecord(header.Path) ||
        FileNamePart(header.Path) != FillerFileName)
        return false;
    // The stream stands right after the header; the data follow without a gap, across tapes too.
    const uint64_t end = uint64_t(m_ctx.Stream.Offset()) + header.DataLength;
    return end % TapeBlockSize == 0;
}

bool OwnRecordWatch::MayBeHeld(const TapeFileHeader& header) {
    return IsWorkFileRecord(header.Path) && FileNamePart(header.Path) == CatalogFileName;
}

void OwnRecordWatch::Next(const TapeFileHeader&) {
    Release();
}

void OwnRecordWatch::Take(const TapeFileHeader& header, Actions actions) {
    Release();
    if (MayBeHeld(header)) {
        m_held = Held{header, std::move(actions)};
        return;
    }
    if (actions.Release)
        actions.Release();
}

void OwnRecordWatch::Finish() {
    if (m_ctx.CancelFlag || IsEndMarkerPath(m_ctx.LastHeader.Path))
        Drop();
    else
        Release();
}

void OwnRecordWatch::Release() {
    std::optional<Held> held = std::exchange(m_held, std::nullopt);
    if (!held || !held->Do.Release)
        return;
    const TapeFileHeader current = std::exchange(m_ctx.LastHeader, held->Header);
    held->Do.Release();
    m_ctx.LastHeader = current;
}

void OwnRecordWatch::Drop() {
    std::optional<Held> held = std::exchange(m_held, std::nullopt);
    if (held && held->Do.Drop)
        held->Do.Drop();
}

} // namespace orvane
