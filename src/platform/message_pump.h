#pragma once

#include <functional>

namespace orvane {

// Keeps the window alive during long work: n rounds of dispatching every waiting event, at most
// every few milliseconds however often it is called. Harmless without an event loop (command
// line, tests).
void PumpMessages(int rounds);
// One round of dispatching every waiting event, now.
void DrainMessages();
// Waits `milliseconds` while the window stays alive (its events, timers included, are
// dispatched; nothing sleeps on its thread). Ends early, answering false, as soon as `stop`
// answers true; it is asked a few times a second.
bool WaitDispatching(long long milliseconds, const std::function<bool()>& stop);
// Runs `work` on a thread of its own and returns when it has finished; meanwhile the window stays
// alive as in WaitDispatching. For work that waits on the network, which must not freeze the
// window; `work` must not touch the window or the session.
void RunDispatching(const std::function<void()>& work);

} // namespace orvane
