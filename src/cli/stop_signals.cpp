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
int g_pipe[2] = {-1, -1};
struct sigaction g_formerInt;
struct sigaction g_formerTerm;

void OnSignal(int /*signal*/) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(g_pipe[1], &byte, 1);
    errno = saved;
}

} // namespace

StopSignals::StopSignals() {
    if (pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &StopSignals::Drain);
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &g_formerInt);
    sigaction(SIGTERM, &action, &g_formerTerm);
}

StopSignals::~StopSignals() {
    if (!m_notifier)
        return;
    sigaction(SIGINT, &g_formerInt, nullptr);
    sigaction(SIGTERM, &g_formerTerm, nullptr);
    delete m_notifier;
    close(g_pipe[0]);
    close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void StopSignals::Drain() {
    std::array<char, 64> bytes{};
    while (read(g_pipe[0], bytes.data(), bytes.size()) > 0) {
    }
    emit Received();
}

} // namespace orvane::cli
