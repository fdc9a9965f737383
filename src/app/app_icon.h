#pragma once

#include <QIcon>

namespace orvane {

// The program's icon, a tape cartridge, drawn rather than loaded so that it needs no files.
QIcon AppIcon();

} // namespace orvane
