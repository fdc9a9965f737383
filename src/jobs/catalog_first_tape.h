#pragma once

namespace orvane {

struct TapeContext;

// Makes sure tape 1 of the current set is in the drive before a set is read from its start:
// while another tape is loaded it is ejected and tape 1 of the same set (same date) asked for.
// A tape without a number, or a description without a set date, needs no change. Cancel leaves
// the loop with CancelFlag raised.
void EnsureFirstTape(TapeContext& ctx);

} // namespace orvane
