#pragma once

#include <QString>

namespace orvane {

// Where the files that ship with the programs are. In a build tree they lie beside the programs;
// an installed program lives in <prefix>/bin/ and finds them in <prefix>/share/orvane/.

// <prefix>/share/orvane/ for a program in <prefix>/bin/ when that directory exists (the program
// is installed), else empty. `programFileDirectory` is the directory of the program file.
QString InstalledDataDirectory(const QString& programFileDirectory);

// The shipped file `fileName`: in the installed data directory when there is one, else beside
// the program.
QString ShippedFilePath(const QString& programFileDirectory, const QString& fileName);

} // namespace orvane
