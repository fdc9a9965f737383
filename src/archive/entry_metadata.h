#pragma once

#include <QByteArray>
#include <QHash>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace orvane {

// One extended attribute as the file system gives it; POSIX ACLs are the system.posix_acl_*
// attributes.
struct ExtendedAttribute {
    QByteArray Name;
    QByteArray Value;
    bool operator==(const ExtendedAttribute&) const = default;
};

// What a backup keeps of one entry beyond a file's data: its type, permission bits, owner, exact
// modification time and extended attributes; a link's target. See docs/tape-format.md.
struct EntryMetadata {
    enum class Type : uint8_t { File = 1, Directory = 2, SymbolicLink = 3, HardLink = 4 };

    Type Kind = Type::File;
    QByteArray Path;   // the tape path, as in the file records (a directory's without '/')
    uint32_t Mode = 0; // permission bits incl. setuid, setgid and sticky (07777)
    uint32_t Uid = 0;
    uint32_t Gid = 0;
    QByteArray User;  // the owner's name on the machine that wrote the backup, empty when none
    QByteArray Group; // likewise the group's
    int64_t Seconds = 0;
    uint32_t Nanoseconds = 0;
    // A symbolic link's target, or the tape path of the file a hard link shares its data with.
    QByteArray Target;
    std::vector<ExtendedAttribute> Attributes;
    // A file's record: the tape that holds its header, the block it begins in, the stored
    // length of its data and whether that is compressed.
    uint8_t TapeNumber = 0;
    int64_t HeaderBlock = 0;
    uint64_t StoredLength = 0;
    bool Compressed = false;
};

// The metadata of a backup set, one entry per path (a later entry of a path replaces the
// earlier one, as a later record of a path does on restore).
class SetMetadata {
public:
    void Add(EntryMetadata entry);
    void Merge(const SetMetadata& other);
    const EntryMetadata* Find(const QByteArray& path) const;
    const std::vector<EntryMetadata>& Entries() const { return m_entries; }
    bool IsEmpty() const { return m_entries.empty(); }

    // The data of the set's metadata record.
    QByteArray Encode() const;
    // Reads the data of a metadata record. Bytes from a tape are untrusted: nothing when they
    // are not a metadata record; the entries before a damaged one otherwise.
    static std::optional<SetMetadata> Decode(std::span<const char> bytes);

private:
    std::vector<EntryMetadata> m_entries;
    QHash<QByteArray, size_t> m_index;
};

// The type and permission bits as `ls -l` shows them: "drwxr-xr-x", "lrwxrwxrwx", "-rwsr-xr-x".
QByteArray ModeText(EntryMetadata::Type type, uint32_t mode);

} // namespace orvane
