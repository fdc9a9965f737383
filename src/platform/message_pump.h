#pragma once

namespace orvane {

// Keeps the window alive during long work: n rounds of dispatching every waiting event.
// Harmless without an event loop (command line, tests).
void PumpMessages(int rounds);
void DrainMessages();

} // namespace orvane
