#include "tape_fault_plan.h"

#include <QFile>
#include <QSaveFile>

namespace orvane {

namespace {

struct FaultName {
    TapeFault Fault;
    const char* Name;
};

constexpr FaultName FaultNames[] = {
    {TapeFault::WriteError, "write-error"},    {TapeFault::ReadError, "read-error"},
    {TapeFault::EarlyEndOfMedia, "early-eom"}, {TapeFault::LoseMedium, "lose-medium"},
    {TapeFault::Protect, "protect"},           {TapeFault::ShortRead, "short-read"},
};

} // namespace

std::optional<TapeFault> TapeFaultPlan::FaultNamed(const QString& name) {
    for (const FaultName& entry : FaultNames) {
        if (name == QLatin1String(entry.Name))
            return entry.Fault;
    }
    return std::nullopt;
}

QString TapeFaultPlan::NameOf(TapeFault fault) {
    for (const FaultName& entry : FaultNames) {
        if (entry.Fault == fault)
            return QLatin1String(entry.Name);
    }
    return {};
}

std::vector<TapeFault> TapeFaultPlan::AllFaults() {
    std::vector<TapeFault> faults;
    for (const FaultName& entry : FaultNames)
        faults.push_back(entry.Fault);
    return faults;
}

bool TapeFaultPlan::Load(const QString& path) {
    m_pending.clear();
    m_changed = false;
    QFile file(path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        const auto fault = FaultNamed(line.left(eq).trimmed());
        bool ok = false;
        const int64_t count = line.mid(eq + 1).trimmed().toLongLong(&ok);
        if (eq > 0 && fault && ok && count > 0)
            m_pending[*fault] = count;
    }
    return true;
}

bool TapeFaultPlan::Save(const QString& path) const {
    if (m_pending.empty())
        return !QFile::exists(path) || QFile::remove(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    for (const auto& [fault, count] : m_pending)
        file.write((NameOf(fault) + QLatin1Char('=') + QString::number(count) + '\n').toUtf8());
    return file.commit();
}

void TapeFaultPlan::Set(TapeFault fault, int64_t count) {
    m_pending[fault] = count;
    m_changed = true;
}

void TapeFaultPlan::Clear() {
    m_changed = m_changed || !m_pending.empty();
    m_pending.clear();
}

std::vector<QString> TapeFaultPlan::PendingText() const {
    std::vector<QString> lines;
    for (const auto& [fault, count] : m_pending)
        lines.push_back(NameOf(fault) + QLatin1Char(' ') + QString::number(count));
    return lines;
}

std::optional<TapeFault> TapeFaultPlan::Count(std::initializer_list<TapeFault> faults) {
    std::optional<TapeFault> fired;
    for (TapeFault fault : faults) {
        auto it = m_pending.find(fault);
        if (it == m_pending.end())
            continue;
        m_changed = true;
        if (--it->second > 0)
            continue;
        m_pending.erase(it);
        // Two faults due at the same step: the first fires, the other waits for the next one.
        if (fired)
            m_pending[fault] = 1;
        else
            fired = fault;
    }
    return fired;
}

std::optional<TapeFault> TapeFaultPlan::CountRead() {
    return Count({TapeFault::LoseMedium, TapeFault::ReadError, TapeFault::ShortRead});
}

std::optional<TapeFault> TapeFaultPlan::CountWrite() {
    return Count({TapeFault::LoseMedium, TapeFault::WriteError, TapeFault::Protect});
}

bool TapeFaultPlan::TakeEarlyEnd(int64_t position, int64_t blocks) {
    auto it = m_pending.find(TapeFault::EarlyEndOfMedia);
    if (it == m_pending.end() || position < blocks - it->second)
        return false;
    m_pending.erase(it);
    m_changed = true;
    return true;
}

} // namespace orvane
