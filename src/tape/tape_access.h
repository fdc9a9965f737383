#pragma once

#include "platform/tape_device.h"
#include "tape_context.h"

#include <QString>
#include <memory>

namespace orvane {

using TapeHandlePtr = std::unique_ptr<TapeHandle>;

// Raw open of the drive, no look at the medium.
TapeHandlePtr OpenTapeDrive(TapeContext& ctx);
// Opens the drive and asks for the medium; a failure is reported and gives null.
TapeHandlePtr OpenTape(TapeContext& ctx);
void CloseTape(TapeHandlePtr& handle, int delayMs);
// The same after writing: a failure the drive tells only at close (a buffered block or the
// filemark st writes there) goes through LogTapeError and is answered.
ResultCode CloseTape(TapeContext& ctx, TapeHandlePtr& handle, int delayMs);

// The system's text of a tape result, with the name of the drive it came from
// ("/dev/nst0: No media in drive.").
QString TapeErrorMessage(const TapeContext& ctx, ResultCode code);

// The error report of every tape failure: raises CancelFlag, writes a protocol block with the
// system's text of the result, and shows it in an error box.
void LogTapeError(TapeContext& ctx, ResultCode code);
// The same with a detail after the text, such as "(tape block 7)".
void LogTapeError(TapeContext& ctx, ResultCode code, const QString& detail);
// The error report for a failure on the file at `path`, which the text names instead of the
// drive.
void LogFileError(TapeContext& ctx, ResultCode code, const QString& path);
void ShowTapeResult(TapeContext& ctx, ResultCode code);

void SetBusyCursor(TapeContext& ctx);
void RestoreCursor(TapeContext& ctx);

// The window's control sets around every long operation: busy mode locks list editing and
// disables the start buttons and settings; leaving it always unlocks list editing.
void EnterBusyMode(TapeContext& ctx);
void LeaveBusyMode(TapeContext& ctx);

void ProbeTapeDrive(TapeContext& ctx);
void SetBlockSize(TapeContext& ctx);

QString RewindTape(TapeContext& ctx);
bool RewindWithStatus(TapeContext& ctx);
// `code`, when given, receives the drive's result (the open's failure without a handle).
QString EraseTapeShort(TapeContext& ctx, ResultCode* code = nullptr);

// Moves an open handle to a block with the probed positioning method; the result is not examined.
void MoveHandleToBlock(TapeContext& ctx, TapeHandle& handle, int64_t block);
// Moves an open handle to the end of the recorded data.
ResultCode MoveHandleToEndOfData(TapeHandle& handle);
// Opens the drive and moves to the block given as decimal text.
void MoveToBlock(TapeContext& ctx, const QString& blockText);
int64_t ReadTapePosition(TapeContext& ctx, TapeHandle& handle);

// Rewinds and unloads; Success when ejected.
ResultCode EjectTape(TapeContext& ctx, bool showResult);
// Takes an ejected cartridge still in the drive's slot back in; quiet, as the drive may be empty.
ResultCode ReloadTape(TapeContext& ctx);

} // namespace orvane
