#pragma once

namespace orvane::tab {

// The pages of the main window's PageControl1, by index.
constexpr int Backup = 0;
constexpr int Restore = 1;
constexpr int Verify = 2;
constexpr int Protocol = 3;
constexpr int Options = 4;
constexpr int Email = 5;

} // namespace orvane::tab
