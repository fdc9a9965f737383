#pragma once

#include "platform/result_code.h"
#include "platform/tape_device.h"
#include "tape_context.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace orvane {

// The commands of the Tape menu that need more than one tape routine. Each opens the drive for
// itself and closes it again, so the window and the command line run the same code.

// "Rewind Tape": rewinds under the busy cursor; true when the tape is at its first block.
bool RewindTapeCommand(TapeContext& ctx);

// "Move Tape to Block Nr.": asks for a block number, moves there, reads that block and shows one
// "OK" box for every end marker found in it. `block` skips the question (the command line).
void MoveTapeToBlockCommand(TapeContext& ctx, std::optional<QString> block = std::nullopt);

// "Get Tape Position": shows "Tape at Block: " and the position (0 without a drive) and returns
// it. `answer`, when given, receives the drive's result of the query (the failure of the open
// when there was no handle).
int64_t GetTapePositionCommand(TapeContext& ctx, ResultCode* answer = nullptr);

// The commands below answer the drive's result: Success when the drive did what was asked. A
// drive that could not be opened has been reported through LogTapeError (CancelFlag is raised)
// and answers the failure of the open.

// "Load Tape": loads the cartridge in the drive and shows the result box.
ResultCode LoadTapeCommand(TapeContext& ctx);
// "Tape tension": winds the tape once to its end and back and shows the result box.
ResultCode TensionTapeCommand(TapeContext& ctx);
// "Move to end of Data": winds to the end of the recorded data, shows the result box and the
// block reached (also in `block`).
ResultCode MoveToEndOfDataCommand(TapeContext& ctx, int64_t* block = nullptr);
// "Delete Tape": short erase from the current position; everything behind it is gone.
ResultCode DeleteTapeCommand(TapeContext& ctx);
// "Format Tape": one partition, block size 32768, and the tape description "Empty Tape ", number
// 255, dated now, in block 0; it becomes the current description.
ResultCode FormatTapeCommand(TapeContext& ctx);
// "Set Filemarks": rewinds and writes 50 filemarks, so that a later read finds no data.
ResultCode SetFilemarksCommand(TapeContext& ctx);
// "Set Tape Parameters": the media block size of 32768 (SetBlockSize).
ResultCode SetTapeParametersCommand(TapeContext& ctx);

// "Init Tape with 0": writes zero blocks from the beginning of the tape until the
// drive refuses one (normally at the end of the medium) or the run is cancelled; progress every
// 100 blocks. `Blocks` counts the blocks written, `End` is the result that ended the loop
// (Success when cancelled).
struct InitTapeResult {
    bool Opened = false;
    int64_t Blocks = 0;
    ResultCode End = ResultCode::Success;
};
InitTapeResult InitTapeWithZeroCommand(TapeContext& ctx);
// The status line of Init Tape with 0 after `blocks` blocks; `final` is the closing line.
QString InitTapeStatus(int64_t blocks, bool final);

// What TTape_Info shows: the drive and media parameters of the loaded tape.
struct TapeInfo {
    bool DriveKnown = false; // the drive query answered
    bool MediaKnown = false; // the media query answered
    TapeDriveParameters Drive;
    TapeMediaParameters Media;
};
// The TTape_Info refresh: drive, media, drive again; a failing query is reported through
// LogTapeError.
TapeInfo ReadTapeInfo(TapeContext& ctx);
// The sixteen values of TTape_Info in the order of its labels: fixed name and value text.
// A value the query did not give reads "unknown"; a capacity the drive did not tell
// (Capacity 0 from a drive that keeps its log page to itself) too.
std::vector<std::pair<QString, QString>> TapeInfoValues(const TapeInfo& info);

} // namespace orvane
