#pragma once

#include <QString>

namespace orvane::fuzz {

// A program directory for one harness run: the same path for every run of the process (so that
// the per-directory objects of the core are reused, not piled up), emptied before each run.
// Ends in '/'.
QString FreshScratchHome();

} // namespace orvane::fuzz
