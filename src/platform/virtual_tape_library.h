#pragma once

#include "drive_model.h"
#include "tape_device.h"
#include "tape_fault_plan.h"

#include <QString>
#include <memory>
#include <set>
#include <vector>

namespace orvane {

struct CartridgeInfo {
    QString Name;
    int64_t Capacity = 0;
    int64_t EndOfDataBlocks = 0;
    uint32_t Partitions = 1;
    bool WriteProtected = false;
    bool Loaded = false;
};

// A tape library in a directory: cartridge NAME is the raw block image NAME.vtape (block n at
// byte n*32768, the file length is the end of data), with its capacity, partitions, protection
// and filemarks in NAME.cartridge beside it. The drive's loaded cartridge and position live in
// drive.state, so that they survive closing the handle and the program. One process at a time
// holds the drive (an flock on drive.lock); handles of one process share the same drive state,
// as handles on a real drive do.
class VirtualTapeLibrary : public std::enable_shared_from_this<VirtualTapeLibrary> {
public:
    static constexpr int64_t DefaultCapacity = 100LL * 1024 * 1024 * 1024;

    // The one library object of this process for `directory`.
    static std::shared_ptr<VirtualTapeLibrary> At(const QString& directory);

    QString Directory() const { return m_dir; }

    // Creates the directory with one loaded cartridge "tape1" when it holds no library yet.
    // Returns an error text, empty on success.
    QString EnsureCreated();

    // Library administration. Each returns an error text, empty on success.
    QString CreateCartridge(const QString& name, int64_t capacity, uint32_t partitions,
                            bool writeProtected);
    QString Insert(const QString& name);
    QString Eject();
    QString SetWriteProtected(const QString& name, bool writeProtected);
    std::vector<CartridgeInfo> Cartridges();
    QString LoadedCartridge();

    // Rehearsal of a failing drive: the staged faults are kept in the library's directory, so
    // that they reach whichever process opens the drive next.
    QString SetFault(TapeFault fault, int64_t count);
    QString ClearFaults();
    // The faults still to fire, one "name count" line each.
    std::vector<QString> PendingFaults();

    static bool IsValidCartridgeName(const QString& name);
    // The raw block image of a cartridge (block n at byte n*32768).
    QString ImagePath(const QString& name) const { return DataPath(name); }

    // Null when the drive is held elsewhere or the library is missing; `failure` tells which.
    std::unique_ptr<TapeHandle> Open(ResultCode& failure);

    // Used by handles; one drive operation each.
    ResultCode ReadBlock(char* buffer, uint32_t length);
    ResultCode WriteBlock(const char* buffer, uint32_t length);
    ResultCode ReadBlocks(char* buffer, uint32_t count, uint32_t& done);
    ResultCode WriteBlocks(const char* buffer, uint32_t count, uint32_t& done);
    ResultCode SetPosition(uint32_t method, int64_t offset);
    ResultCode GetPosition(uint32_t type, uint32_t& partition, int64_t& offset);
    ResultCode Prepare(uint32_t operation);
    ResultCode Erase(uint32_t type);
    ResultCode WriteTapemarks(uint32_t type, uint32_t count);
    ResultCode GetMediaParameters(TapeMediaParameters& media);
    ResultCode GetDriveParameters(TapeDriveParameters& drive);
    ResultCode SetMediaBlockSize(uint32_t blockSize);
    ResultCode CreatePartition(uint32_t method, uint32_t count);

    // Holds the drive for the duration of a handle or an administration step. The first
    // acquire takes the lock and reads the state; the last release writes it back.
    ResultCode Acquire();
    void Release();

    // The bytes this process has read from cartridges of the library, so that a test can pin
    // how much of a tape a job had to read.
    int64_t BytesRead() const { return m_bytesRead; }

    ~VirtualTapeLibrary();

private:
    explicit VirtualTapeLibrary(QString directory);

    struct Cartridge {
        int64_t Capacity = DefaultCapacity;
        uint32_t Partitions = 1;
        bool WriteProtected = false;
        std::set<int64_t> Filemarks;
    };

    QString DataPath(const QString& name) const;
    QString InfoPath(const QString& name) const;
    bool ReadCartridgeInfo(const QString& name, Cartridge& cartridge) const;
    bool WriteCartridgeInfo(const QString& name, const Cartridge& cartridge) const;
    void ReadDriveState();
    void WriteDriveState() const;
    ResultCode OpenLoadedCartridge();
    void CloseLoadedCartridge();
    ResultCode LoadCartridge(const QString& name);
    void UnloadCartridge();
    ResultCode TruncateAt(int64_t block);
    // Puts `count` blocks at the position; `done` tells how many are on the tape.
    ResultCode StoreBlocks(const char* buffer, uint32_t count, uint32_t& done);
    ResultCode CheckWritable() const;
    QString FaultPath() const;
    // The cartridge leaves the drive as if pulled out: every later command finds no medium.
    void LoseMedium();

    QString m_dir;
    int m_lockFd = -1;
    int m_holders = 0;

    // Drive state while held.
    QString m_loaded; // loaded cartridge, empty when the drive is empty
    QString m_inSlot; // an unloaded cartridge still in the drive's slot ("Load" takes it back)
    int64_t m_position = 0;
    uint32_t m_blockSize = TapeBlockSize;
    bool m_mediaChanged = false;
    Cartridge m_cartridge;
    bool m_cartridgeDirty = false;
    int m_dataFd = -1;
    int64_t m_endOfData = 0; // in blocks
    TapeFaultPlan m_faults;
    DriveModel m_pacer;
    int64_t m_bytesRead = 0;
};

class VirtualTapeDevice : public TapeDevice {
public:
    explicit VirtualTapeDevice(const QString& directory);
    std::unique_ptr<TapeHandle> Open(ResultCode& failure) override;
    QString Name() const override;
    bool NeedsSettleTime() const override { return false; }
    std::shared_ptr<VirtualTapeLibrary> Library() const { return m_library; }

private:
    std::shared_ptr<VirtualTapeLibrary> m_library;
};

} // namespace orvane
