#pragma once

#include <QObject>

class QSocketNotifier;

namespace orvane::cli {

// SIGINT and SIGTERM as an event: while this object lives, either signal emits Received from
// the event loop (also from the message pumping of a running job), never inside the signal
// handler. The former handlers come back when it goes.
class StopSignals : public QObject {
    Q_OBJECT

public:
    StopSignals();
    ~StopSignals() override;
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

signals:
    void Received();

private:
    void Drain();

    QSocketNotifier* m_notifier = nullptr;
};

} // namespace orvane::cli
