#pragma once

#include <QString>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace orvane {

// Drive failures a virtual library can be told to stage, so that backups, restores and catalog
// loads can be rehearsed against a failing drive. Each fires once, as a real drive's error does.
enum class TapeFault {
    WriteError,      // the Nth block write fails with an I/O error
    ReadError,       // the Nth block read fails with an I/O error
    EarlyEndOfMedia, // a write within N blocks of the medium's end reports the end of medium
    LoseMedium,      // at the Nth block transfer the cartridge is gone
    Protect,         // from the Nth write on the cartridge is write-protected
    ShortRead,       // the Nth block read delivers only part of a block
};

class TapeFaultPlan {
public:
    static std::optional<TapeFault> FaultNamed(const QString& name);
    static QString NameOf(TapeFault fault);
    static std::vector<TapeFault> AllFaults();

    // The plan kept in a library's directory; a missing file is an empty plan.
    bool Load(const QString& path);
    bool Save(const QString& path) const;

    void Set(TapeFault fault, int64_t count);
    void Clear();
    bool IsEmpty() const { return m_pending.empty(); }
    bool IsChanged() const { return m_changed; }
    // "write-error 5" lines, in a fixed order: what is still to fire and after how many steps.
    std::vector<QString> PendingText() const;

    // Counts one block read or write; answers the fault that fires with it.
    std::optional<TapeFault> CountRead();
    std::optional<TapeFault> CountWrite();
    // True once for a write at `position` within the last staged blocks of `blocks`.
    bool TakeEarlyEnd(int64_t position, int64_t blocks);

private:
    std::optional<TapeFault> Count(std::initializer_list<TapeFault> faults);

    std::map<TapeFault, int64_t> m_pending;
    bool m_changed = false;
};

} // namespace orvane
