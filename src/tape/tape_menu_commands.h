#pragma once

#include "tape_context.h"

#include <QString>
#include <cstdint>
#include <optional>

namespace orvane {

// The commands of the Tape menu that need more than one tape routine. Each opens the drive for
// itself and closes it again, so the window and the command line run the same code.

// "Rewind Tape": rewinds under the busy cursor; true when the tape is at its first block.
bool RewindTapeCommand(TapeContext& ctx);

// "Move Tape to Block Nr.": asks for a block number, moves there, reads that block and shows one
// "OK" box for every end marker found in it. `block` skips the question (the command line).
void MoveTapeToBlockCommand(TapeContext& ctx, std::optional<QString> block = std::nullopt);

// "Get Tape Position": shows "Tape at Block: " and the position (0 without a drive) and returns
// it.
int64_t GetTapePositionCommand(TapeContext& ctx);

} // namespace orvane
