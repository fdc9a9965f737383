#include "stop_signals.h"

#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace orvane::cli {

namespace {

// The handler may only write to this pipe; everything else happens in the event loop.
int signalPipe[2] = {-1, -1};
struct sigaction formerIntAction;
struct sigaction formerTermAction;

void OnSignal(int /*signal*/) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(signalPipe[1], &byte, 1);
    errno = saved;
}

} // namespace

StopSignals::StopSignals() {
    if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &StopSignals::Drain);
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &formerIntAction);
    sigaction(SIGTERM, &action, &formerTermAction);
}

StopSignals::~StopSignals() {
    if (!m_notifier)
        return;
    sigaction(SIGINT, &formerIntAction, nullptr);
    sigaction(SIGTERM, &formerTermAction, nullptr);
    delete m_notifier;
    close(signalPipe[0]);
    close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
}

void StopSignals::Drain() {
    std::array<char, 64> bytes{};
    while (read(signalPipe[0], bytes.data(), bytes.size()) > 0) {
    }
    emit Received();
}

} // namespace orvane::cli
