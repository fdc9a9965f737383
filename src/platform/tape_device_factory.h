#pragma once

#include "tape_device.h"

#include <memory>

namespace orvane {

// The drive: `choice` when given, else $ORVANE_TAPE, else $TAPE, else the built-in virtual tape
// library in programDirectory + "vtape/". "vtape:DIR" names a virtual library elsewhere; a
// character device is driven through the Linux st driver (a rewinding node is replaced by its
// non-rewinding twin, because positions must survive closing the handle).
std::unique_ptr<TapeDevice> CreateTapeDevice(const QString& programDirectory,
                                             const QString& choice = QString());

// The drive named by the choice, as CreateTapeDevice picks it (for messages and the CLI).
QString ChosenTapeDrive(const QString& programDirectory, const QString& choice = QString());

// "vtape:DIR" → DIR; empty when the drive is not a virtual library.
QString VirtualLibraryDirectory(const QString& drive);

} // namespace orvane
