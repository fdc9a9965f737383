#pragma once

#include "platform/tape_device.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace orvane {

struct TapeContext;
using TapeHandlePtr = std::unique_ptr<TapeHandle>;

// Where the stream stands: the offset in the current block and the block's number. Stored in
// the end marker and in every catalog record.
struct StreamPosition {
    int32_t BlockOffset = 0;
    int32_t Reserved = 0;
    int64_t BlockCounter = 0;

    bool operator==(const StreamPosition&) const = default;
};

// One block as the drive reads and writes it, zero-filled. On the heap: 32 KiB is much for the
// stack of a worker thread.
class TapeBlock {
public:
    char* Data() { return m_bytes.data(); }
    const char* Data() const { return m_bytes.data(); }
    std::span<char> Bytes() { return m_bytes; }
    std::span<const char> Bytes() const { return m_bytes; }

private:
    std::vector<char> m_bytes = std::vector<char>(TapeBlockSize, 0);
};

// Blocks the stream moves to or from the drive in one command (1 MiB).
constexpr uint32_t StreamRunBlocks = 32;

// The current block of the stream and where the stream stands in it. The offset runs from 0 to
// TapeBlockSize: a full block stays current until more bytes come or go, so that it is written
// or refilled only when the stream really goes on.
//
// Blocks travel in runs: full blocks wait in the run until it is full (or the tape ends) and
// then go to the drive in one command; a refill reads a run and hands out its blocks one by one.
// While a read run holds blocks, the drive stands behind them, ahead of the stream.
class BlockStream {
public:
    StreamPosition Position() const { return {m_offset, 0, m_counter}; }
    int32_t Offset() const { return m_offset; }
    int64_t Counter() const { return m_counter; }
    // Refuses a position the stream cannot hold (an offset outside 0..TapeBlockSize, a negative
    // block number) and then stays where it was. Blocks read ahead are dropped: the caller
    // positions the drive itself.
    [[nodiscard]] bool SetPosition(const StreamPosition& position);
    // The stream goes on at the start of block `counter`; blocks read ahead are dropped.
    void StartBlock(int64_t counter);
    // The stream goes on at the start of the next block, keeping the run.
    void NextBlock();

    TapeBlock& Block() { return m_block; }
    const TapeBlock& Block() const { return m_block; }
    // The bytes of the current block from the offset to its end.
    std::span<char> Room();
    std::span<const char> Unread() const;
    // The offset moves on by `length` bytes of Room() or Unread().
    void Advance(int32_t length);
    // Zeros the block from the offset on, so that nothing of an older block goes to tape after
    // the last byte.
    void ClearRest();

    // Write side: the current block joins the run of blocks waiting for the drive.
    void QueueBlock();
    uint32_t QueuedBlocks() const { return m_queued; }
    // The tape block of the first queued block.
    int64_t QueueStart() const { return m_queueStart; }
    const char* QueuedData() const { return m_run.data(); }
    void ClearQueue() { m_queued = 0; }

    // Read side: room for a run of `count` blocks, then what the drive delivered into it (the
    // answer belongs to the block after the delivered ones).
    char* RunRoom(uint32_t count);
    void HoldRun(uint32_t delivered, ResultCode answer);
    // The next block of the run becomes the current block, or the drive's answer for the block
    // behind the run comes; nothing when the run is used up.
    std::optional<ResultCode> TakeFromRun();
    uint32_t BlocksAhead() const { return m_held - m_taken; }
    void DropRun();

private:
    TapeBlock m_block;
    int32_t m_offset = 0;
    int64_t m_counter = 0;

    std::vector<char> m_run; // allocated at the first run
    uint32_t m_queued = 0;
    int64_t m_queueStart = 0;
    uint32_t m_held = 0;
    uint32_t m_taken = 0;
    std::optional<ResultCode> m_runAnswer;
};

// Appends length (0..32768) bytes to the stream. A full block goes to tape when more bytes
// arrive; at the block limit the set continues on the next tape (the handle is replaced).
void WriteStream(TapeContext& ctx, TapeHandlePtr& handle, const char* source, int32_t length);
// Takes length (0..32768) bytes from the stream; false when a refill found the end of data
// (the bytes are then not valid).
bool ReadStream(TapeContext& ctx, TapeHandlePtr& handle, char* destination, int32_t length);

// Bulk data goes through the current block in place, so that file bytes are not copied on the
// way between the disk and the drive. The writer fills the room of the current block and then
// commits what it filled; a full block goes to tape (with a tape change at the block limit) only
// when the next room is asked for, as with WriteStream.
std::span<char> WritableStreamRoom(TapeContext& ctx, TapeHandlePtr& handle);
void CommitStreamRoom(TapeContext& ctx, int32_t length);
// The next bytes of the stream, at most `length` (> 0) and no further than the end of the current
// block, in place; the block is refilled first when used up. Empty when the refill found the end
// of data, as ReadStream's false.
std::span<const char> ReadStreamInPlace(TapeContext& ctx, TapeHandlePtr& handle, int32_t length);

// Sends the full blocks still waiting in the run to the drive. Whoever is done writing through
// a handle calls it before anything else uses the drive (CloseTape after writing does).
void FlushStreamRun(TapeContext& ctx, TapeHandlePtr& handle);

// Reads the block the drive stands on into the stream and makes it the current block, offset
// `offset`; the counter becomes the drive's position after the read. An offset the stream cannot
// hold reads nothing and gives InvalidParameter.
ResultCode LoadStreamBlock(TapeContext& ctx, TapeHandle& handle, int32_t offset);

} // namespace orvane
