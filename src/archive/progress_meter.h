#pragma once

#include "platform/run_progress.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <cstdint>
#include <functional>

namespace orvane {

class OperatorInterface;

// Measures a run against the whole of its work and reports it to the operator a few times a
// second at most, so that a run over many small files costs nothing more. The work goes item by
// item (a file, a record); an item's weight counts in full once it ends, and while it streams in
// proportion to the bytes streamed. Idle between Start and Finish, so that the readers and
// writers may report whoever drives them.
class ProgressMeter {
public:
    explicit ProgressMeter(OperatorInterface& op) : m_op(op) {}

    void Start();
    // The total, or a source asked at each report (-1 while it does not know yet).
    void SetTotal(int64_t bytes);
    void SetTotalSource(std::function<int64_t()> source);
    // Ends the item before, if any.
    void BeginItem(const QByteArray& path, int64_t weight, int64_t streamLength);
    void Streamed(int64_t bytes);
    void EndItem();
    // The last report of the run; idle again afterwards.
    void Finish();

    bool Active() const { return m_active; }
    int64_t DoneBytes() const;

private:
    void ReportIfDue();
    void Report(bool final);

    OperatorInterface& m_op;
    bool m_active = false;
    QElapsedTimer m_clock;
    int64_t m_lastReportMs = 0;
    int64_t m_done = 0;
    int64_t m_total = -1;
    std::function<int64_t()> m_totalSource;
    QByteArray m_path;
    int64_t m_itemWeight = 0;
    int64_t m_itemLength = 0;
    int64_t m_itemStreamed = 0;
};

} // namespace orvane
