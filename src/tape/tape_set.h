#pragma once

#include "tape_access.h"

namespace orvane {

// The highest tape number of a set: 255 marks an unnumbered tape.
constexpr int MaxTapesInSet = 254;

// Closes the full tape with the tape-full marker, unloads it, asks for the next one, stamps it
// with the set's description and goes on at block 1. The handle is replaced (null when the
// operator gave up, with CancelFlag raised).
void ChangeTapeForWrite(TapeContext& ctx, TapeHandlePtr& handle);
// Asks for the next tape of the set until that tape is in, then goes on at block 1.
void ChangeTapeForRead(TapeContext& ctx, TapeHandlePtr& handle);
// The same for tape `tapeNumber` of the set, which a reader that jumps to a record asks for.
void ChangeTapeForRead(TapeContext& ctx, TapeHandlePtr& handle, int tapeNumber);

} // namespace orvane
