#pragma once

#include "tape_device.h"

#include <QString>
#include <memory>
#include <set>
#include <vector>

namespace orvane {

struct CartridgeInfo {
    QString name;
    int64_t capacity = 0;
    int64_t endOfDataBlocks = 0;
    uint32_t partitions = 1;
    bool writeProtected = false;
    bool loaded = false;
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
    static std::shared_ptr<VirtualTapeLibrary> at(const QString& directory);

    QString directory() const { return m_dir; }

    // Creates the directory with one loaded cartridge "tape1" when it holds no library yet.
    // Returns an error text, empty on success.
    QString ensureCreated();

    // Library administration. Each returns an error text, empty on success.
    QString createCartridge(const QString& name, int64_t capacity, uint32_t partitions,
                            bool writeProtected);
    QString insert(const QString& name);
    QString eject();
    QString setWriteProtected(const QString& name, bool writeProtected);
    std::vector<CartridgeInfo> cartridges();
    QString loadedCartridge();

    static bool isValidCartridgeName(const QString& name);
    // The raw block image of a cartridge (block n at byte n*32768).
    QString imagePath(const QString& name) const { return dataPath(name); }

    // Null when the drive is held elsewhere or the library is missing; `failure` tells which.
    std::unique_ptr<TapeHandle> open(ResultCode& failure);

    // Used by handles; one drive operation each.
    ResultCode readBlock(char* buffer, uint32_t length);
    ResultCode writeBlock(const char* buffer, uint32_t length);
    ResultCode setPosition(uint32_t method, int64_t offset);
    ResultCode getPosition(uint32_t type, uint32_t& partition, int64_t& offset);
    ResultCode prepare(uint32_t operation);
    ResultCode erase(uint32_t type);
    ResultCode writeTapemarks(uint32_t type, uint32_t count);
    ResultCode getMediaParameters(TapeMediaParameters& media);
    ResultCode getDriveParameters(TapeDriveParameters& drive);
    ResultCode setMediaBlockSize(uint32_t blockSize);
    ResultCode createPartition(uint32_t method, uint32_t count);

    // Holds the drive for the duration of a handle or an administration step. The first
    // acquire takes the lock and reads the state; the last release writes it back.
    ResultCode acquire();
    void release();

    ~VirtualTapeLibrary();

private:
    explicit VirtualTapeLibrary(QString directory);

    struct Cartridge {
        int64_t capacity = DefaultCapacity;
        uint32_t partitions = 1;
        bool writeProtected = false;
        std::set<int64_t> filemarks;
    };

    QString dataPath(const QString& name) const;
    QString infoPath(const QString& name) const;
    bool readCartridgeInfo(const QString& name, Cartridge& cartridge) const;
    bool writeCartridgeInfo(const QString& name, const Cartridge& cartridge) const;
    void readDriveState();
    void writeDriveState() const;
    ResultCode openLoadedCartridge();
    void closeLoadedCartridge();
    ResultCode loadCartridge(const QString& name);
    void unloadCartridge();
    ResultCode truncateAt(int64_t block);
    ResultCode checkWritable() const;

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
};

class VirtualTapeDevice : public TapeDevice {
public:
    explicit VirtualTapeDevice(const QString& directory);
    std::unique_ptr<TapeHandle> open(ResultCode& failure) override;
    QString name() const override;
    bool needsSettleTime() const override { return false; }
    std::shared_ptr<VirtualTapeLibrary> library() const { return m_library; }

private:
    std::shared_ptr<VirtualTapeLibrary> m_library;
};

} // namespace orvane
