#pragma once

namespace orvane {

// Keeps the window alive during long work: n rounds of dispatching every waiting event, at most
// every few milliseconds however often it is called. Harmless without an event loop (command
// line, tests).
void PumpMessages(int rounds);
// One round of dispatching every waiting event, now.
void DrainMessages();

} // namespace orvane
