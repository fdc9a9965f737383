#include "virtual_tape_library.h"

#include "result_code.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringList>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane {

namespace {

constexpr auto DataSuffix = ".vtape";
constexpr auto InfoSuffix = ".cartridge";

// Simple "key=value" lines; the library's own small state files.
std::map<QString, QString> ReadKeyValueFile(const QString& path, bool* ok = nullptr) {
    std::map<QString, QString> values;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        if (ok)
            *ok = false;
        return values;
    }
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0)
            values[line.left(eq).trimmed()] = line.mid(eq + 1).trimmed();
    }
    if (ok)
        *ok = true;
    return values;
}

QByteArray KeyValueText(const std::vector<std::pair<QString, QString>>& values) {
    QByteArray text;
    for (const auto& [key, value] : values)
        text += (key + QLatin1Char('=') + value + QLatin1Char('\n')).toUtf8();
    return text;
}

// Replaced as a whole and synced: a cartridge's description must survive a crash.
bool WriteKeyValueFile(const QString& path,
                       const std::vector<std::pair<QString, QString>>& values) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    file.write(KeyValueText(values));
    return file.commit();
}

// Replaced as a whole but not synced. The drive state changes with every close of a handle;
// waiting for the disk each time would cost more than the reads it follows, and after a crash
// the state before is as good as a real drive's after a power loss.
bool ReplaceKeyValueFile(const QString& path,
                         const std::vector<std::pair<QString, QString>>& values) {
    const QString temporary = path + QStringLiteral(".new");
    QFile file(temporary);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(KeyValueText(values)) < 0 || !file.flush()) {
        file.remove();
        return false;
    }
    file.close();
    return std::rename(QFile::encodeName(temporary).constData(),
                       QFile::encodeName(path).constData()) == 0;
}

bool IsZeroBlock(const char* buffer, uint32_t length) {
    static const std::vector<char> zeros(TapeBlockSize, 0);
    return length == TapeBlockSize && std::memcmp(buffer, zeros.data(), length) == 0;
}

class VirtualTapeHandle : public TapeHandle {
public:
    explicit VirtualTapeHandle(std::shared_ptr<VirtualTapeLibrary> library)
        : m_library(std::move(library)) {}
    ~VirtualTapeHandle() override { m_library->Release(); }

    ResultCode ReadBlock(char* buffer, uint32_t length) override {
        return m_library->ReadBlock(buffer, length);
    }
    ResultCode WriteBlock(const char* buffer, uint32_t length) override {
        return m_library->WriteBlock(buffer, length);
    }
    ResultCode ReadBlocks(char* buffer, uint32_t count, uint32_t& done) override {
        return m_library->ReadBlocks(buffer, count, done);
    }
    ResultCode WriteBlocks(const char* buffer, uint32_t count, uint32_t& done) override {
        return m_library->WriteBlocks(buffer, count, done);
    }
    ResultCode SetPosition(uint32_t method, uint32_t, int64_t offset) override {
        return m_library->SetPosition(method, offset);
    }
    ResultCode GetPosition(uint32_t type, uint32_t& partition, int64_t& offset) override {
        return m_library->GetPosition(type, partition, offset);
    }
    ResultCode Prepare(uint32_t operation) override { return m_library->Prepare(operation); }
    ResultCode Erase(uint32_t type) override { return m_library->Erase(type); }
    ResultCode WriteTapemarks(uint32_t type, uint32_t count) override {
        return m_library->WriteTapemarks(type, count);
    }
    ResultCode GetMediaParameters(TapeMediaParameters& media) override {
        return m_library->GetMediaParameters(media);
    }
    ResultCode GetDriveParameters(TapeDriveParameters& drive) override {
        return m_library->GetDriveParameters(drive);
    }
    ResultCode SetMediaBlockSize(uint32_t blockSize) override {
        return m_library->SetMediaBlockSize(blockSize);
    }
    ResultCode CreatePartition(uint32_t method, uint32_t count, uint32_t) override {
        return m_library->CreatePartition(method, count);
    }
    bool NeedsSettleTime() const override { return false; }

private:
    std::shared_ptr<VirtualTapeLibrary> m_library;
};

// Releases an administration hold at scope end.
class Hold {
public:
    explicit Hold(VirtualTapeLibrary& library) : m_library(library), m_code(library.Acquire()) {}
    ~Hold() {
        if (m_code == ResultCode::Success)
            m_library.Release();
    }
    ResultCode Code() const { return m_code; }

private:
    VirtualTapeLibrary& m_library;
    ResultCode m_code;
};

QString HoldError(ResultCode code) {
    return QStringLiteral("Virtual tape library not available: %1").arg(SystemMessage(code));
}

} // namespace

std::shared_ptr<VirtualTapeLibrary> VirtualTapeLibrary::At(const QString& directory) {
    static std::mutex mutex;
    static std::map<QString, std::weak_ptr<VirtualTapeLibrary>> registry;
    QString key = QDir::cleanPath(QDir(directory).absolutePath());
    std::lock_guard lock(mutex);
    if (auto existing = registry[key].lock())
        return existing;
    std::shared_ptr<VirtualTapeLibrary> library(new VirtualTapeLibrary(key));
    registry[key] = library;
    return library;
}

VirtualTapeLibrary::VirtualTapeLibrary(QString directory) : m_dir(std::move(directory)) {}

VirtualTapeLibrary::~VirtualTapeLibrary() {
    CloseLoadedCartridge();
    if (m_lockFd >= 0)
        ::close(m_lockFd);
}

bool VirtualTapeLibrary::IsValidCartridgeName(const QString& name) {
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9_-][A-Za-z0-9._-]{0,63}$"));
    return pattern.match(name).hasMatch();
}

QString VirtualTapeLibrary::DataPath(const QString& name) const {
    return m_dir + QLatin1Char('/') + name + QLatin1String(DataSuffix);
}

QString VirtualTapeLibrary::InfoPath(const QString& name) const {
    return m_dir + QLatin1Char('/') + name + QLatin1String(InfoSuffix);
}

bool VirtualTapeLibrary::ReadCartridgeInfo(const QString& name, Cartridge& cartridge) const {
    bool ok = false;
    const auto values = ReadKeyValueFile(InfoPath(name), &ok);
    if (!ok || !QFileInfo::exists(DataPath(name)))
        return false;
    cartridge = Cartridge{};
    auto value = [&](const char* key) {
        auto it = values.find(QLatin1String(key));
        return it == values.end() ? QString() : it->second;
    };
    bool numberOk = false;
    const int64_t capacity = value("capacity").toLongLong(&numberOk);
    if (numberOk && capacity > 0)
        cartridge.Capacity = capacity;
    const uint32_t partitions = value("partitions").toUInt(&numberOk);
    if (numberOk && partitions > 0)
        cartridge.Partitions = partitions;
    cartridge.WriteProtected = value("protected") == QLatin1String("1");
    for (const QString& mark : value("filemarks").split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const int64_t block = mark.toLongLong(&numberOk);
        if (numberOk && block >= 0)
            cartridge.Filemarks.insert(block);
    }
    return true;
}

bool VirtualTapeLibrary::WriteCartridgeInfo(const QString& name, const Cartridge& cartridge) const {
    QStringList marks;
    for (int64_t block : cartridge.Filemarks)
        marks << QString::number(block);
    return WriteKeyValueFile(InfoPath(name),
                             {{QStringLiteral("capacity"), QString::number(cartridge.Capacity)},
                              {QStringLiteral("partitions"), QString::number(cartridge.Partitions)},
                              {QStringLiteral("protected"), cartridge.WriteProtected ? "1" : "0"},
                              {QStringLiteral("filemarks"), marks.join(QLatin1Char(','))}});
}

void VirtualTapeLibrary::ReadDriveState() {
    const auto values = ReadKeyValueFile(m_dir + QStringLiteral("/drive.state"));
    auto value = [&](const char* key) {
        auto it = values.find(QLatin1String(key));
        return it == values.end() ? QString() : it->second;
    };
    m_loaded = value("loaded");
    m_inSlot = value("slot");
    m_position = std::max<int64_t>(0, value("position").toLongLong());
    m_mediaChanged = value("changed") == QLatin1String("1");
    bool ok = false;
    const uint32_t blockSize = value("blocksize").toUInt(&ok);
    m_blockSize = ok && blockSize > 0 ? blockSize : TapeBlockSize;
    if (!m_loaded.isEmpty() && !IsValidCartridgeName(m_loaded))
        m_loaded.clear();
}

void VirtualTapeLibrary::WriteDriveState() const {
    ReplaceKeyValueFile(m_dir + QStringLiteral("/drive.state"),
                        {{QStringLiteral("loaded"), m_loaded},
                         {QStringLiteral("slot"), m_inSlot},
                         {QStringLiteral("position"), QString::number(m_position)},
                         {QStringLiteral("changed"), m_mediaChanged ? "1" : "0"},
                         {QStringLiteral("blocksize"), QString::number(m_blockSize)}});
}

ResultCode VirtualTapeLibrary::Acquire() {
    if (m_holders++ > 0)
        return ResultCode::Success;
    if (!QFileInfo(m_dir).isDir()) {
        m_holders = 0;
        return ResultCode::BadUnit;
    }
    const QByteArray lockPath = QFile::encodeName(m_dir + QStringLiteral("/drive.lock"));
    m_lockFd = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (m_lockFd < 0 || ::flock(m_lockFd, LOCK_EX | LOCK_NB) != 0) {
        const ResultCode code = m_lockFd < 0 ? ResultCodeFromErrno(errno) : ResultCode::Busy;
        if (m_lockFd >= 0)
            ::close(m_lockFd);
        m_lockFd = -1;
        m_holders = 0;
        return code;
    }
    ReadDriveState();
    m_faults.Load(FaultPath());
    if (OpenLoadedCartridge() != ResultCode::Success) {
        // A cartridge that vanished from the library counts as an empty drive.
        m_loaded.clear();
        m_position = 0;
    }
    return ResultCode::Success;
}

void VirtualTapeLibrary::Release() {
    if (m_holders == 0 || --m_holders > 0)
        return;
    CloseLoadedCartridge();
    WriteDriveState();
    if (m_pacer.IsOn()) {
        QFile report(m_dir + QStringLiteral("/drive-model.report"));
        if (report.open(QIODevice::WriteOnly | QIODevice::Truncate))
            report.write(m_pacer.Report().toUtf8());
    }
    if (m_faults.IsChanged())
        m_faults.Save(FaultPath());
    ::close(m_lockFd);
    m_lockFd = -1;
}

ResultCode VirtualTapeLibrary::OpenLoadedCartridge() {
    m_dataFd = -1;
    m_cartridgeDirty = false;
    if (m_loaded.isEmpty())
        return ResultCode::Success;
    if (!ReadCartridgeInfo(m_loaded, m_cartridge))
        return ResultCode::FileNotFound;
    const QByteArray path = QFile::encodeName(DataPath(m_loaded));
    m_dataFd = ::open(path.constData(), O_RDWR | O_CLOEXEC);
    if (m_dataFd < 0)
        m_dataFd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (m_dataFd < 0)
        return ResultCodeFromErrno(errno);
    struct stat st {};
    ::fstat(m_dataFd, &st);
    m_endOfData = (st.st_size + TapeBlockSize - 1) / TapeBlockSize;
    return ResultCode::Success;
}

void VirtualTapeLibrary::CloseLoadedCartridge() {
    if (m_dataFd >= 0)
        ::close(m_dataFd);
    m_dataFd = -1;
    if (m_cartridgeDirty && !m_loaded.isEmpty())
        WriteCartridgeInfo(m_loaded, m_cartridge);
    m_cartridgeDirty = false;
}

ResultCode VirtualTapeLibrary::LoadCartridge(const QString& name) {
    CloseLoadedCartridge();
    m_loaded = name;
    m_inSlot.clear();
    m_position = 0;
    if (const ResultCode code = OpenLoadedCartridge(); code != ResultCode::Success) {
        m_loaded.clear();
        return code;
    }
    m_mediaChanged = true;
    return ResultCode::Success;
}

void VirtualTapeLibrary::UnloadCartridge() {
    CloseLoadedCartridge();
    if (!m_loaded.isEmpty())
        m_inSlot = m_loaded;
    m_loaded.clear();
    m_position = 0;
}

QString VirtualTapeLibrary::EnsureCreated() {
    if (QFileInfo(m_dir).isDir() && !QDir(m_dir).entryList({QStringLiteral("*.vtape")}).isEmpty())
        return {};
    if (!QDir().mkpath(m_dir))
        return QStringLiteral("Cannot create the virtual tape library %1").arg(m_dir);
    if (QString error = CreateCartridge(QStringLiteral("tape1"), DefaultCapacity, 1, false);
        !error.isEmpty())
        return error;
    return Insert(QStringLiteral("tape1"));
}

QString VirtualTapeLibrary::CreateCartridge(const QString& name, int64_t capacity,
                                            uint32_t partitions, bool writeProtected) {
    if (!IsValidCartridgeName(name))
        return QStringLiteral("Invalid cartridge name: %1").arg(name);
    // The last ten blocks of a tape stay unused, so a smaller cartridge could not hold a set.
    constexpr int64_t SmallestCapacity = 12 * int64_t(TapeBlockSize);
    if (capacity < SmallestCapacity)
        return QStringLiteral("Capacity must be at least %1 bytes (12 blocks)")
            .arg(SmallestCapacity);
    if (!QDir().mkpath(m_dir))
        return QStringLiteral("Cannot create the virtual tape library %1").arg(m_dir);
    Hold hold(*this);
    if (hold.Code() != ResultCode::Success)
        return HoldError(hold.Code());
    if (QFileInfo::exists(DataPath(name)))
        return QStringLiteral("Cartridge %1 exists already").arg(name);
    QFile data(DataPath(name));
    if (!data.open(QIODevice::WriteOnly))
        return QStringLiteral("Cannot create %1: %2").arg(data.fileName(), data.errorString());
    data.close();
    Cartridge cartridge;
    cartridge.Capacity = capacity;
    cartridge.Partitions = std::max<uint32_t>(1, partitions);
    cartridge.WriteProtected = writeProtected;
    if (!WriteCartridgeInfo(name, cartridge))
        return QStringLiteral("Cannot write %1").arg(InfoPath(name));
    return {};
}

QString VirtualTapeLibrary::Insert(const QString& name) {
    Hold hold(*this);
    if (hold.Code() != ResultCode::Success)
        return HoldError(hold.Code());
    Cartridge probe;
    if (!IsValidCartridgeName(name) || !ReadCartridgeInfo(name, probe))
        return QStringLiteral("No cartridge %1 in the library").arg(name);
    if (m_loaded == name)
        return {};
    if (LoadCartridge(name) != ResultCode::Success)
        return QStringLiteral("Cannot load cartridge %1").arg(name);
    return {};
}

QString VirtualTapeLibrary::Eject() {
    Hold hold(*this);
    if (hold.Code() != ResultCode::Success)
        return HoldError(hold.Code());
    UnloadCartridge();
    m_inSlot.clear();
    return {};
}

QString VirtualTapeLibrary::SetWriteProtected(const QString& name, bool writeProtected) {
    Hold hold(*this);
    if (hold.Code() != ResultCode::Success)
        return HoldError(hold.Code());
    if (name == m_loaded) {
        m_cartridge.WriteProtected = writeProtected;
        m_cartridgeDirty = true;
        return {};
    }
    Cartridge cartridge;
    if (!IsValidCartridgeName(name) || !ReadCartridgeInfo(name, cartridge))
        return QStringLiteral("No cartridge %1 in the library").arg(name);
    cartridge.WriteProtected = writeProtected;
    return WriteCartridgeInfo(name, cartridge)
               ? QString()
               : QStringLiteral("Cannot write %1").arg(InfoPath(name));
}

std::vector<CartridgeInfo> VirtualTapeLibrary::Cartridges() {
    std::vector<CartridgeInfo> result;
    Hold hold(*this);
    const QStringList files =
        QDir(m_dir).entryList({QStringLiteral("*.vtape")}, QDir::Files, QDir::Name);
    for (const QString& file : files) {
        const QString name = file.chopped(int(std::strlen(DataSuffix)));
        Cartridge cartridge;
        if (!IsValidCartridgeName(name) || !ReadCartridgeInfo(name, cartridge))
            continue;
        if (name == m_loaded && hold.Code() == ResultCode::Success)
            cartridge = m_cartridge;
        CartridgeInfo info;
        info.Name = name;
        info.Capacity = cartridge.Capacity;
        info.Partitions = cartridge.Partitions;
        info.WriteProtected = cartridge.WriteProtected;
        info.EndOfDataBlocks =
            (QFileInfo(DataPath(name)).size() + TapeBlockSize - 1) / TapeBlockSize;
        info.Loaded = hold.Code() == ResultCode::Success && name == m_loaded;
        result.push_back(info);
    }
    return result;
}

QString VirtualTapeLibrary::LoadedCartridge() {
    Hold hold(*this);
    return hold.Code() == ResultCode::Success ? m_loaded : QString();
}

QString VirtualTapeLibrary::FaultPath() const {
    return m_dir + QStringLiteral("/faults");
}

QString VirtualTapeLibrary::SetFault(TapeFault fault, int64_t count) {
    if (count < 1)
        return QStringLiteral("A fault takes a count of 1 or more");
    Hold hold(*this);
    if (hold.Code() != ResultCode::Success)
        return HoldError(hold.Code());
    m_faults.Set(fault, count);
    return {};
}

QString VirtualTapeLibrary::ClearFaults() {
    Hold hold(*this);
    if (hold.Code() != ResultCode::Success)
        return HoldError(hold.Code());
    m_faults.Clear();
    return {};
}

std::vector<QString> VirtualTapeLibrary::PendingFaults() {
    Hold hold(*this);
    if (hold.Code() != ResultCode::Success)
        return {};
    return m_faults.PendingText();
}

void VirtualTapeLibrary::LoseMedium() {
    UnloadCartridge();
    m_inSlot.clear();
}

std::unique_ptr<TapeHandle> VirtualTapeLibrary::Open(ResultCode& failure) {
    if (const ResultCode code = Acquire(); code != ResultCode::Success) {
        failure = code;
        return nullptr;
    }
    return std::make_unique<VirtualTapeHandle>(shared_from_this());
}

ResultCode VirtualTapeLibrary::CheckWritable() const {
    if (m_dataFd < 0)
        return ResultCode::NoMediaInDrive;
    if (m_cartridge.WriteProtected)
        return ResultCode::WriteProtect;
    return ResultCode::Success;
}

ResultCode VirtualTapeLibrary::ReadBlock(char* buffer, uint32_t length) {
    if (m_dataFd < 0)
        return ResultCode::NoMediaInDrive;
    if (length != TapeBlockSize)
        return ResultCode::InvalidBlockLength;
    uint32_t done = 0;
    return ReadBlocks(buffer, 1, done);
}

ResultCode VirtualTapeLibrary::ReadBlocks(char* buffer, uint32_t count, uint32_t& done) {
    done = 0;
    if (m_dataFd < 0)
        return ResultCode::NoMediaInDrive;
    // The run stops before a filemark, at the end of the data or at the block a staged fault
    // hits; the blocks before it come in one read.
    int64_t reach = std::min<int64_t>(count, m_endOfData - m_position);
    ResultCode stop = reach < int64_t(count) ? ResultCode::NoDataDetected : ResultCode::Success;
    if (const auto mark = m_cartridge.Filemarks.lower_bound(m_position);
        mark != m_cartridge.Filemarks.end() && *mark - m_position < std::max<int64_t>(reach, 1)) {
        reach = *mark - m_position;
        stop = ResultCode::FilemarkDetected;
    }
    std::optional<TapeFault> fault;
    uint32_t clean = 0;
    for (; int64_t(clean) < reach; ++clean) {
        if ((fault = m_faults.CountRead()))
            break;
    }
    if (clean > 0) {
        const size_t bytes = size_t(clean) * TapeBlockSize;
        m_pacer.Transfer(bytes);
        const ssize_t got = ::pread(m_dataFd, buffer, bytes, off_t(m_position) * TapeBlockSize);
        if (got < 0)
            return ResultCodeFromErrno(errno);
        if (size_t(got) < bytes) // a last block cut short by hand reads as zero-padded
            std::memset(buffer + got, 0, bytes - size_t(got));
        m_bytesRead += int64_t(bytes);
        m_position += clean;
        done = clean;
    }
    if (fault == TapeFault::LoseMedium) {
        LoseMedium();
        return ResultCode::NoMediaInDrive;
    }
    if (fault == TapeFault::ReadError) {
        // The drive gives up on the block and stands behind it, as st does after a medium error.
        ++m_position;
        return ResultCodeFromErrno(EIO);
    }
    if (fault == TapeFault::ShortRead) {
        // A block of another length than asked for, as st reports one: only its first half
        // arrives and the rest of the buffer keeps what it held.
        char* block = buffer + size_t(clean) * TapeBlockSize;
        const ssize_t got =
            ::pread(m_dataFd, block, TapeBlockSize / 2, off_t(m_position) * TapeBlockSize);
        if (got < 0)
            return ResultCodeFromErrno(errno);
        m_bytesRead += got;
        ++m_position;
        return ResultCode::InvalidBlockLength;
    }
    if (stop == ResultCode::FilemarkDetected)
        ++m_position;
    return stop;
}

ResultCode VirtualTapeLibrary::TruncateAt(int64_t block) {
    if (::ftruncate(m_dataFd, off_t(block) * TapeBlockSize) != 0)
        return ResultCodeFromErrno(errno);
    m_endOfData = block;
    auto first = m_cartridge.Filemarks.lower_bound(block);
    if (first != m_cartridge.Filemarks.end()) {
        m_cartridge.Filemarks.erase(first, m_cartridge.Filemarks.end());
        m_cartridgeDirty = true;
    }
    return ResultCode::Success;
}

ResultCode VirtualTapeLibrary::WriteBlock(const char* buffer, uint32_t length) {
    if (const ResultCode code = CheckWritable(); code != ResultCode::Success)
        return code;
    if (length != TapeBlockSize)
        return ResultCode::InvalidBlockLength;
    uint32_t done = 0;
    return WriteBlocks(buffer, 1, done);
}

ResultCode VirtualTapeLibrary::WriteBlocks(const char* buffer, uint32_t count, uint32_t& done) {
    done = 0;
    if (const ResultCode code = CheckWritable(); code != ResultCode::Success)
        return code;
    // The run stops at the block where the medium ends (or a staged fault says so); the blocks
    // before it go to the image.
    const int64_t blocks = m_cartridge.Capacity / TapeBlockSize;
    ResultCode stop = ResultCode::Success;
    std::optional<TapeFault> fault;
    uint32_t clean = 0;
    for (; clean < count; ++clean) {
        const int64_t block = m_position + clean;
        if ((block + 1) * int64_t(TapeBlockSize) > m_cartridge.Capacity ||
            m_faults.TakeEarlyEnd(block, blocks)) {
            stop = ResultCode::EndOfMedia;
            break;
        }
        if ((fault = m_faults.CountWrite()))
            break;
    }
    if (clean > 0) {
        if (const ResultCode code = StoreBlocks(buffer, clean, done); code != ResultCode::Success)
            return code;
    }
    if (fault == TapeFault::LoseMedium) {
        LoseMedium();
        return ResultCode::NoMediaInDrive;
    }
    if (fault == TapeFault::Protect) {
        // The protection stays, as a tab moved on the cartridge does.
        m_cartridge.WriteProtected = true;
        m_cartridgeDirty = true;
        return ResultCode::WriteProtect;
    }
    if (fault)
        return ResultCodeFromErrno(EIO);
    return stop;
}

ResultCode VirtualTapeLibrary::StoreBlocks(const char* buffer, uint32_t count, uint32_t& done) {
    // A write ends the recorded data, as on tape: whatever lay beyond its start is gone, so
    // every block of the run lands on fresh image bytes.
    if (m_position < m_endOfData) {
        if (const ResultCode code = TruncateAt(m_position); code != ResultCode::Success)
            return code;
    }
    m_pacer.Transfer(size_t(count) * TapeBlockSize);
    // A block of zeros is left a hole in the image: it reads back as zeros and takes no disk
    // space, so a tape initialised with zeros costs nothing. Each stretch of other blocks goes
    // in one write.
    uint32_t first = 0;
    while (first < count) {
        const char* block = buffer + size_t(first) * TapeBlockSize;
        if (IsZeroBlock(block, TapeBlockSize)) {
            ++first;
            continue;
        }
        uint32_t last = first + 1;
        while (last < count && !IsZeroBlock(buffer + size_t(last) * TapeBlockSize, TapeBlockSize))
            ++last;
        const size_t bytes = size_t(last - first) * TapeBlockSize;
        const ssize_t put =
            ::pwrite(m_dataFd, block, bytes, off_t(m_position + first) * TapeBlockSize);
        if (put != ssize_t(bytes)) {
            const ResultCode code =
                put < 0 ? ResultCodeFromErrno(errno) : ResultCode::HandleDiskFull;
            // What lies before this stretch is on the tape; nothing of the stretch counts.
            TruncateAt(m_position + first);
            m_position += first;
            done = first;
            return code;
        }
        first = last;
    }
    m_position += count;
    const bool endsInHole = IsZeroBlock(buffer + size_t(count - 1) * TapeBlockSize, TapeBlockSize);
    if (endsInHole && ::ftruncate(m_dataFd, off_t(m_position) * TapeBlockSize) != 0)
        return ResultCodeFromErrno(errno);
    m_endOfData = m_position;
    done = count;
    return ResultCode::Success;
}

ResultCode VirtualTapeLibrary::SetPosition(uint32_t method, int64_t offset) {
    if (m_dataFd < 0)
        return ResultCode::NoMediaInDrive;
    m_pacer.Interrupt();
    const int64_t blocks = m_cartridge.Capacity / TapeBlockSize;
    switch (method) {
    case TapePositionMethod::Rewind:
        m_position = 0;
        return ResultCode::Success;
    case TapePositionMethod::AbsoluteBlock:
    case TapePositionMethod::LogicalBlock:
        if (offset < 0 || offset > blocks)
            return ResultCode::EndOfMedia;
        m_position = offset;
        return ResultCode::Success;
    case TapePositionMethod::SpaceEndOfData:
        m_position = m_endOfData;
        return ResultCode::Success;
    case TapePositionMethod::SpaceRelativeBlocks:
        if (m_position + offset < 0) {
            m_position = 0;
            return ResultCode::BeginningOfMedia;
        }
        m_position = std::min(m_position + offset, blocks);
        return ResultCode::Success;
    case TapePositionMethod::SpaceFilemarks: {
        for (int64_t i = 0; i < offset; ++i) {
            auto next = m_cartridge.Filemarks.lower_bound(m_position);
            if (next == m_cartridge.Filemarks.end()) {
                m_position = m_endOfData;
                return ResultCode::NoDataDetected;
            }
            m_position = *next + 1;
        }
        return ResultCode::Success;
    }
    default:
        return ResultCode::InvalidFunction;
    }
}

ResultCode VirtualTapeLibrary::GetPosition(uint32_t type, uint32_t& partition, int64_t& offset) {
    if (m_dataFd < 0)
        return ResultCode::NoMediaInDrive;
    partition = type == TapePositionType::Logical ? 1 : 0;
    offset = m_position;
    return ResultCode::Success;
}

ResultCode VirtualTapeLibrary::Prepare(uint32_t operation) {
    switch (operation) {
    case TapePrepareOperation::Load:
        if (m_dataFd >= 0)
            return ResultCode::Success;
        if (m_inSlot.isEmpty())
            return ResultCode::NoMediaInDrive;
        return LoadCartridge(m_inSlot) == ResultCode::Success ? ResultCode::Success
                                                              : ResultCode::NoMediaInDrive;
    case TapePrepareOperation::Unload:
        if (m_dataFd < 0)
            return ResultCode::NoMediaInDrive;
        UnloadCartridge();
        return ResultCode::Success;
    case TapePrepareOperation::Tension:
        // Nothing to wind on a cartridge image: tensioning succeeds and changes nothing.
        return m_dataFd < 0 ? ResultCode::NoMediaInDrive : ResultCode::Success;
    case TapePrepareOperation::Lock:
    case TapePrepareOperation::Unlock:
        return m_dataFd < 0 ? ResultCode::NoMediaInDrive : ResultCode::Success;
    default:
        return ResultCode::InvalidFunction;
    }
}

ResultCode VirtualTapeLibrary::Erase(uint32_t type) {
    if (const ResultCode code = CheckWritable(); code != ResultCode::Success)
        return code;
    if (type != TapeEraseType::Short && type != TapeEraseType::Long)
        return ResultCode::InvalidFunction;
    return TruncateAt(std::min(m_position, m_endOfData));
}

ResultCode VirtualTapeLibrary::WriteTapemarks(uint32_t type, uint32_t count) {
    if (const ResultCode code = CheckWritable(); code != ResultCode::Success)
        return code;
    if (type == TapemarkType::Setmarks)
        return ResultCode::InvalidFunction;
    static const std::vector<char> zeros(TapeBlockSize, 0);
    for (uint32_t i = 0; i < count; ++i) {
        // A filemark takes one block position, kept as a zero block in the image.
        if (const ResultCode code = WriteBlock(zeros.data(), TapeBlockSize);
            code != ResultCode::Success)
            return code;
        m_cartridge.Filemarks.insert(m_position - 1);
        m_cartridgeDirty = true;
    }
    return ResultCode::Success;
}

ResultCode VirtualTapeLibrary::GetMediaParameters(TapeMediaParameters& media) {
    if (m_dataFd < 0)
        return ResultCode::NoMediaInDrive;
    media.Capacity = m_cartridge.Capacity;
    media.Remaining = std::max<int64_t>(0, m_cartridge.Capacity - m_endOfData * TapeBlockSize);
    media.BlockSize = m_blockSize;
    media.PartitionCount = m_cartridge.Partitions;
    media.WriteProtected = m_cartridge.WriteProtected;
    if (m_mediaChanged) {
        m_mediaChanged = false;
        return ResultCode::MediaChanged;
    }
    return ResultCode::Success;
}

ResultCode VirtualTapeLibrary::GetDriveParameters(TapeDriveParameters& drive) {
    drive = TapeDriveParameters{};
    drive.ECC = true;
    drive.Compression = false;
    drive.DataPadding = false;
    drive.ReportSetmarks = false;
    drive.DefaultBlockSize = TapeBlockSize;
    drive.MaximumBlockSize = 1024 * 1024;
    drive.MinimumBlockSize = 1;
    drive.MaximumPartitionCount = m_dataFd >= 0 ? m_cartridge.Partitions : 1;
    drive.EOTWarningZoneSize = 0;
    return ResultCode::Success;
}

ResultCode VirtualTapeLibrary::SetMediaBlockSize(uint32_t blockSize) {
    if (m_dataFd < 0)
        return ResultCode::NoMediaInDrive;
    if (blockSize == 0 || blockSize > 1024 * 1024)
        return ResultCode::InvalidBlockLength;
    m_blockSize = blockSize;
    return ResultCode::Success;
}

ResultCode VirtualTapeLibrary::CreatePartition(uint32_t method, uint32_t count) {
    if (const ResultCode code = CheckWritable(); code != ResultCode::Success)
        return code;
    switch (method) {
    case TapePartitionMethod::Fixed:
        // The drive's own layout: one partition.
        if (m_cartridge.Partitions != 1) {
            m_cartridge.Partitions = 1;
            m_cartridgeDirty = true;
        }
        break;
    case TapePartitionMethod::Select:
    case TapePartitionMethod::Initiator:
        m_cartridge.Partitions = std::max<uint32_t>(1, count);
        m_cartridgeDirty = true;
        break;
    default:
        return ResultCode::InvalidFunction;
    }
    // Partitioning rewrites the medium from its beginning.
    m_position = 0;
    return TruncateAt(0);
}

VirtualTapeDevice::VirtualTapeDevice(const QString& directory)
    : m_library(VirtualTapeLibrary::At(directory)) {}

std::unique_ptr<TapeHandle> VirtualTapeDevice::Open(ResultCode& failure) {
    return m_library->Open(failure);
}

QString VirtualTapeDevice::Name() const {
    return QStringLiteral("vtape:") + m_library->Directory();
}

} // namespace orvane
