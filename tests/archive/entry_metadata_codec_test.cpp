#include "archive/entry_metadata.h"

#include <gtest/gtest.h>

using namespace orvane;

namespace {

SetMetadata TwoEntries() {
    SetMetadata metadata;
    EntryMetadata file;
    file.Path = "/etc/shadow";
    file.Mode = 0640;
    file.Uid = 0;
    file.Gid = 42;
    file.User = "root";
    file.Group = "shadow";
    file.Seconds = 1700000000;
    file.Nanoseconds = 123456789;
    file.Attributes = {{"user.note", QByteArray("a\0b", 3)}, {"system.posix_acl_access", "x"}};
    file.TapeNumber = 2;
    file.HeaderBlock = 77;
    file.StoredLength = 1234;
    file.Compressed = true;
    metadata.Add(file);
    EntryMetadata link;
    link.Kind = EntryMetadata::Type::SymbolicLink;
    link.Path = "/etc/localtime";
    link.Mode = 0777;
    link.Target = "/usr/share/zoneinfo/Etc/UTC";
    metadata.Add(link);
    return metadata;
}

void ExpectSame(const EntryMetadata& a, const EntryMetadata& b) {
    EXPECT_EQ(a.Kind, b.Kind);
    EXPECT_EQ(a.Path, b.Path);
    EXPECT_EQ(a.Mode, b.Mode);
    EXPECT_EQ(a.Uid, b.Uid);
    EXPECT_EQ(a.Gid, b.Gid);
    EXPECT_EQ(a.User, b.User);
    EXPECT_EQ(a.Group, b.Group);
    EXPECT_EQ(a.Seconds, b.Seconds);
    EXPECT_EQ(a.Nanoseconds, b.Nanoseconds);
    EXPECT_EQ(a.Target, b.Target);
    EXPECT_EQ(a.Attributes, b.Attributes);
    EXPECT_EQ(a.TapeNumber, b.TapeNumber);
    EXPECT_EQ(a.HeaderBlock, b.HeaderBlock);
    EXPECT_EQ(a.StoredLength, b.StoredLength);
    EXPECT_EQ(a.Compressed, b.Compressed);
}

TEST(EntryMetadataCodec, ARecordReadsBackAsWritten) {
    const SetMetadata written = TwoEntries();
    const QByteArray bytes = written.Encode();
    const auto read = SetMetadata::Decode(bytes);
    ASSERT_TRUE(read);
    ASSERT_EQ(read->Entries().size(), 2u);
    for (size_t i = 0; i < 2; ++i)
        ExpectSame(read->Entries()[i], written.Entries()[i]);
    EXPECT_EQ(read->Find("/etc/localtime")->Target, "/usr/share/zoneinfo/Etc/UTC");
}

// Bytes from a tape may be cut anywhere or hold anything: what parses is kept, nothing more.
TEST(EntryMetadataCodec, CutOrDamagedBytesKeepTheWholeEntriesBeforeTheDamage) {
    const QByteArray bytes = TwoEntries().Encode();
    const qsizetype firstEnd = bytes.indexOf("/etc/localtime") - 2 - 4;
    for (qsizetype cut = 0; cut < bytes.size(); ++cut) {
        const auto read = SetMetadata::Decode(std::span(bytes.constData(), size_t(cut)));
        if (cut < 8) {
            EXPECT_FALSE(read) << cut;
            continue;
        }
        ASSERT_TRUE(read) << cut;
        EXPECT_EQ(read->Entries().size(), cut < firstEnd ? 0u : 1u) << cut;
    }
    QByteArray huge = bytes;
    huge[8] = char(0xff); // the first entry's length runs past the end
    EXPECT_TRUE(SetMetadata::Decode(huge)->IsEmpty());
    QByteArray badType = bytes;
    badType[12] = 9;
    EXPECT_TRUE(SetMetadata::Decode(badType)->IsEmpty());
    EXPECT_FALSE(SetMetadata::Decode(QByteArray("ORVMETA2")));
}

TEST(EntryMetadataCodec, ALaterEntryOfAPathReplacesTheEarlier) {
    SetMetadata metadata = TwoEntries();
    EntryMetadata again = metadata.Entries()[0];
    again.Mode = 0600;
    metadata.Add(again);
    EXPECT_EQ(metadata.Entries().size(), 2u);
    EXPECT_EQ(metadata.Find("/etc/shadow")->Mode, 0600u);
}

TEST(EntryMetadataCodec, ModesReadAsLsShowsThem) {
    using Type = EntryMetadata::Type;
    const struct {
        Type Kind;
        uint32_t Mode;
        const char* Text;
    } cases[] = {
        {Type::File, 0644, "-rw-r--r--"},      {Type::File, 04755, "-rwsr-xr-x"},
        {Type::File, 02644, "-rw-r-Sr--"},     {Type::Directory, 01777, "drwxrwxrwt"},
        {Type::Directory, 0700, "drwx------"}, {Type::SymbolicLink, 0777, "lrwxrwxrwx"},
        {Type::HardLink, 0600, "-rw-------"},  {Type::Directory, 01770, "drwxrwx--T"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ModeText(c.Kind, c.Mode), QByteArray(c.Text)) << c.Text;
}

} // namespace
