#pragma once

#include "tape_context.h"

#include <QString>

namespace orvane {

// Rewinds and writes the tape description as block 0; the caption follows it.
void WriteTapeDescription(TapeContext& ctx, const TapeDescription& description);
// Rewinds and reads block 0 (an older tape's description from its first record); the caption
// follows it. Does not store it as the current description: the caller does.
TapeDescription ReadTapeDescription(TapeContext& ctx);
// The window caption for a description; sets DescriptionValid when it carries a date.
QString DescriptionCaption(TapeContext& ctx, const TapeDescription& description);

// "Load Tape Description": reads block 0 into the current description, in busy mode.
void LoadTapeDescription(TapeContext& ctx);

} // namespace orvane
