#pragma once

#include <QString>

namespace orvane {

// The directory that holds the job file, the protocol log, the work directory and the built-in
// tape library: `override` when given, else $ORVANE_HOME, else the program's own directory when
// it is writable and the program is not installed (see installed_layout.h), else
// $XDG_DATA_HOME/orvane/, which is made when missing. Always ends in '/'.
QString ResolveProgramDirectory(const QString& override = QString());

} // namespace orvane
