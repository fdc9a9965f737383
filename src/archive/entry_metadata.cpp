#include "entry_metadata.h"

#include <cstring>

namespace orvane {

namespace {

constexpr QByteArrayView Magic("ORVMETA1");
// A value that long is no extended attribute of Linux (their limit is 64 KiB).
constexpr uint32_t MaxAttributeValue = 1 << 20;

class Writer {
public:
    explicit Writer(QByteArray& out) : m_out(out) {}
    template <typename T> void Number(T value) {
        m_out.append(reinterpret_cast<const char*>(&value), sizeof value);
    }
    template <typename Length> void Bytes(const QByteArray& bytes) {
        Number(Length(bytes.size()));
        m_out.append(bytes);
    }

private:
    QByteArray& m_out;
};

class Reader {
public:
    explicit Reader(std::span<const char> bytes) : m_bytes(bytes) {}
    template <typename T> bool Number(T& value) {
        if (m_bytes.size() < sizeof value)
            return false;
        std::memcpy(&value, m_bytes.data(), sizeof value);
        m_bytes = m_bytes.subspan(sizeof value);
        return true;
    }
    bool Take(size_t count, QByteArray& into) {
        if (m_bytes.size() < count)
            return false;
        into = QByteArray(m_bytes.data(), qsizetype(count));
        m_bytes = m_bytes.subspan(count);
        return true;
    }
    template <typename Length> bool Bytes(QByteArray& into) {
        Length length = 0;
        return Number(length) && Take(length, into);
    }
    bool Split(size_t count, Reader& part) {
        if (m_bytes.size() < count)
            return false;
        part = Reader(m_bytes.first(count));
        m_bytes = m_bytes.subspan(count);
        return true;
    }
    bool AtEnd() const { return m_bytes.empty(); }

private:
    std::span<const char> m_bytes;
};

void EncodeEntry(const EntryMetadata& entry, QByteArray& out) {
    QByteArray body;
    Writer w(body);
    w.Number(uint8_t(entry.Kind));
    w.Bytes<uint8_t>(entry.Path.left(255));
    w.Number(entry.Mode);
    w.Number(entry.Uid);
    w.Number(entry.Gid);
    w.Bytes<uint8_t>(entry.User.left(255));
    w.Bytes<uint8_t>(entry.Group.left(255));
    w.Number(entry.Seconds);
    w.Number(entry.Nanoseconds);
    w.Bytes<uint16_t>(entry.Target.left(65535));
    w.Number(uint16_t(std::min<size_t>(entry.Attributes.size(), 65535)));
    for (size_t i = 0; i < std::min<size_t>(entry.Attributes.size(), 65535); ++i) {
        w.Bytes<uint8_t>(entry.Attributes[i].Name.left(255));
        w.Bytes<uint32_t>(entry.Attributes[i].Value);
    }
    w.Number(entry.TapeNumber);
    w.Number(entry.HeaderBlock);
    w.Number(entry.StoredLength);
    w.Number(uint8_t(entry.Compressed ? 1 : 0));
    Writer(out).Bytes<uint32_t>(body);
}

bool DecodeEntry(Reader& r, EntryMetadata& entry) {
    uint8_t kind = 0;
    uint16_t attributes = 0;
    if (!r.Number(kind) || kind < 1 || kind > 4 || !r.Bytes<uint8_t>(entry.Path) ||
        entry.Path.isEmpty() || !r.Number(entry.Mode) || !r.Number(entry.Uid) ||
        !r.Number(entry.Gid) || !r.Bytes<uint8_t>(entry.User) || !r.Bytes<uint8_t>(entry.Group) ||
        !r.Number(entry.Seconds) || !r.Number(entry.Nanoseconds) ||
        !r.Bytes<uint16_t>(entry.Target) || !r.Number(attributes))
        return false;
    entry.Kind = EntryMetadata::Type(kind);
    entry.Mode &= 07777;
    if (entry.Nanoseconds > 999999999)
        entry.Nanoseconds = 0;
    for (uint16_t i = 0; i < attributes; ++i) {
        ExtendedAttribute attribute;
        uint32_t length = 0;
        if (!r.Bytes<uint8_t>(attribute.Name) || attribute.Name.isEmpty() || !r.Number(length) ||
            length > MaxAttributeValue || !r.Take(length, attribute.Value))
            return false;
        entry.Attributes.push_back(std::move(attribute));
    }
    uint8_t compressed = 0;
    if (!r.Number(entry.TapeNumber) || !r.Number(entry.HeaderBlock) ||
        !r.Number(entry.StoredLength) || !r.Number(compressed))
        return false;
    entry.Compressed = compressed == 1;
    // A link without a target is no link.
    const bool link = entry.Kind == EntryMetadata::Type::SymbolicLink ||
                      entry.Kind == EntryMetadata::Type::HardLink;
    return !link || !entry.Target.isEmpty();
}

} // namespace

void SetMetadata::Add(EntryMetadata entry) {
    if (const auto found = m_index.constFind(entry.Path); found != m_index.cend()) {
        m_entries[*found] = std::move(entry);
        return;
    }
    m_index.insert(entry.Path, m_entries.size());
    m_entries.push_back(std::move(entry));
}

void SetMetadata::Merge(const SetMetadata& other) {
    for (const EntryMetadata& entry : other.m_entries)
        Add(entry);
}

const EntryMetadata* SetMetadata::Find(const QByteArray& path) const {
    const auto found = m_index.constFind(path);
    return found == m_index.cend() ? nullptr : &m_entries[*found];
}

QByteArray SetMetadata::Encode() const {
    QByteArray out = Magic.toByteArray();
    for (const EntryMetadata& entry : m_entries)
        EncodeEntry(entry, out);
    return out;
}

std::optional<SetMetadata> SetMetadata::Decode(std::span<const char> bytes) {
    if (bytes.size() < size_t(Magic.size()) || QByteArrayView(bytes.data(), Magic.size()) != Magic)
        return std::nullopt;
    Reader r(bytes.subspan(size_t(Magic.size())));
    SetMetadata metadata;
    while (!r.AtEnd()) {
        uint32_t length = 0;
        Reader body({});
        EntryMetadata entry;
        if (!r.Number(length) || !r.Split(length, body) || !DecodeEntry(body, entry))
            break;
        metadata.Add(std::move(entry));
    }
    return metadata;
}

QByteArray ModeText(EntryMetadata::Type type, uint32_t mode) {
    QByteArray text("?rwxrwxrwx");
    switch (type) {
    case EntryMetadata::Type::Directory:
        text[0] = 'd';
        break;
    case EntryMetadata::Type::SymbolicLink:
        text[0] = 'l';
        break;
    case EntryMetadata::Type::File:
    case EntryMetadata::Type::HardLink:
        text[0] = '-';
        break;
    }
    for (int bit = 0; bit < 9; ++bit)
        if (!(mode & (1u << (8 - bit))))
            text[bit + 1] = '-';
    const auto special = [&text, mode](uint32_t flag, int at, char set, char unset) {
        if (mode & flag)
            text[at] = text[at] == '-' ? unset : set;
    };
    special(04000, 3, 's', 'S');
    special(02000, 6, 's', 'S');
    special(01000, 9, 't', 'T');
    return text;
}

} // namespace orvane
