#include "message_pump.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace orvane {

namespace {

// Often enough for a window that feels alive and a Cancel that is seen at once; rarely enough
// that a run over thousands of small files does not spend more time in the event loop than on
// the files.
constexpr std::chrono::milliseconds PumpInterval(15);
// How often a wait looks at its stop condition.
constexpr int StopPollMs = 50;

void Dispatch(int rounds) {
    for (int i = 0; i < rounds; ++i)
        QCoreApplication::processEvents();
}

} // namespace

void PumpMessages(int rounds) {
    if (rounds <= 0 || !QCoreApplication::instance())
        return;
    using Clock = std::chrono::steady_clock;
    thread_local Clock::time_point lastPump;
    const Clock::time_point now = Clock::now();
    if (now - lastPump < PumpInterval)
        return;
    Dispatch(rounds);
    lastPump = Clock::now();
}

void DrainMessages() {
    if (QCoreApplication::instance())
        Dispatch(1);
}

bool WaitDispatching(long long milliseconds, const std::function<bool()>& stop) {
    const QDeadlineTimer deadline(std::max(milliseconds, 0LL), Qt::PreciseTimer);
    while (!deadline.hasExpired()) {
        if (stop && stop())
            return false;
        const int slice = int(std::min<qint64>(deadline.remainingTime(), StopPollMs));
        if (QCoreApplication::instance()) {
            QEventLoop loop;
            QTimer::singleShot(slice, Qt::PreciseTimer, &loop, &QEventLoop::quit);
            loop.exec();
        } else {
            QThread::msleep(ulong(slice));
        }
    }
    return !(stop && stop());
}

void RunDispatching(const std::function<void()>& work) {
    std::atomic<bool> done = false;
    std::thread worker([&] {
        work();
        done = true;
    });
    while (!done)
        WaitDispatching(StopPollMs, [&done] { return done.load(); });
    worker.join();
}

} // namespace orvane
