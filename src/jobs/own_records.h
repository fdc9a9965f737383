#pragma once

#include "archive/archive_context.h"

#include <QByteArray>
#include <functional>
#include <optional>

namespace orvane {

// Tells the writer's own records (its catalog and the fillers that close a tape) from users'
// files that carry the same names, by where they stand. The work directory they were written
// from plays no part: the reading machine's may differ.
// - A filler is zeros stored plain that reach exactly to the end of a tape block (it fills its
//   tape, and one left by an earlier backup of an appended set stays mid-set).
// - The catalog is the record right before the end marker.
// A user's "orvane catalog.dat" or "orvane filler.dat" anywhere else is a file like any other.
//
// A run that reads a set from the start hands each record it wants to Take. A record that may be
// the writer's catalog is held back: it is released (as a user's file) when another record
// follows, announced with Next before that record's data is read, or dropped at the end marker.
class OwnRecordWatch {
public:
    struct Actions {
        std::function<void()> Release; // a user's file: do with it what is done with any other
        std::function<void()> Drop;    // the writer's own, or a run broken off: forget it
    };

    explicit OwnRecordWatch(ArchiveContext& ctx) : m_ctx(ctx) {}
    OwnRecordWatch(const OwnRecordWatch&) = delete;
    OwnRecordWatch& operator=(const OwnRecordWatch&) = delete;
    ~OwnRecordWatch() { Drop(); }

    // True when the record whose header was just read is a filler the writer put there.
    bool IsFiller(const TapeFileHeader& header) const;
    // True when a record with this header may be the writer's catalog and will be held: its data
    // must then be kept apart (in the work directory) until it is released or dropped.
    static bool MayBeHeld(const TapeFileHeader& header);

    // The next record's header, read and checked, before its data.
    void Next(const TapeFileHeader& header);
    // A record read whole; `actions.Release` runs now or once the record after it is known.
    // While it runs, ctx.LastHeader is the record's own header again.
    void Take(const TapeFileHeader& header, Actions actions);
    // The read of the set ended: at the end marker the writer's catalog is dropped; a read broken
    // off by a cancel drops what is held; any other end (the data ran out) releases it.
    void Finish();

private:
    struct Held {
        TapeFileHeader Header;
        Actions Do;
    };
    void Release();
    void Drop();

    ArchiveContext& m_ctx;
    std::optional<Held> m_held;
};

} // namespace orvane
