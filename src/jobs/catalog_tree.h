#pragma once

#include "archive/entry_metadata.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace orvane {

class CatalogTreeBuilder;

// The directory tree of a catalog: one root per root of the paths ("/" for Linux paths, "c:"
// and so on for drive-letter paths), a node per directory, a leaf per file. Within a directory
// the subdirectories come first, then the files, each sorted by name without regard to case
// (names differing only in case keep a fixed order). Every path appears once, however often it
// occurs on the tape set.
//
// The nodes lie in one vector, the children of a node next to each other, and the names in one
// byte buffer, so that half a million files cost a few dozen megabytes and no allocation each.
class CatalogTree {
public:
    // The image index of each kind of node.
    enum class Kind : uint8_t { Root = 0, Directory = 1, File = 2 };
    static constexpr uint32_t NoNode = UINT32_MAX;

    // Builds the tree of tape paths given in any order, with duplicates. Paths of a form that
    // has no root (see TapePathForm), and paths that end in a separator, name no file in the
    // tree; they are kept in UnplacedPaths().
    static CatalogTree Build(const std::vector<QByteArray>& paths);
    // The same with the set's entry metadata: its symbolic links and hard links are leaves too,
    // its directories nodes even when nothing lies in them, and the tree keeps it for details.
    static CatalogTree Build(const std::vector<QByteArray>& paths,
                             std::shared_ptr<const SetMetadata> metadata);
    // What the metadata adds to a tree built path by path, and the metadata kept for details.
    static void AddMetadataEntries(CatalogTreeBuilder& builder, const SetMetadata& metadata);
    void KeepMetadata(std::shared_ptr<const SetMetadata> metadata);
    // The set's entry metadata; null for a set written without.
    const SetMetadata* Metadata() const { return m_metadata.get(); }
    // The metadata of a node's path, when the set has it.
    const EntryMetadata* MetadataOf(uint32_t node) const;

    bool IsEmpty() const { return m_nodes.empty(); }
    uint32_t NodeCount() const { return uint32_t(m_nodes.size()); }
    uint32_t FileCount() const { return m_fileCount; }
    // The roots are the nodes 0 .. RootCount() - 1.
    uint32_t RootCount() const { return m_rootCount; }

    Kind NodeKind(uint32_t node) const { return Kind(m_nodes[node].Kind); }
    uint32_t Parent(uint32_t node) const { return m_nodes[node].Parent; }
    uint32_t ChildCount(uint32_t node) const { return m_nodes[node].ChildCount; }
    uint32_t Child(uint32_t node, uint32_t row) const { return m_nodes[node].FirstChild + row; }
    // The node's place among its siblings (among the roots for a root).
    uint32_t Row(uint32_t node) const;

    // The node's own name as stored on tape: "/" or "c:" for a root.
    QByteArrayView Name(uint32_t node) const;
    // The name as the tree shows it.
    QString Text(uint32_t node) const;
    // The full tape path; a root's or directory's ends in its separator ("/", "c:\data\").
    QByteArray Path(uint32_t node) const;
    // The restore-list line of a node: its full path, ending in the separator for a root or a
    // directory, so that the line selects everything below it.
    QString RestoreLine(uint32_t node) const;

    // Every file's full path, in the order the tree shows them (depth first); with
    // `emptyDirectories` also each directory without children, its path ending in the separator.
    std::vector<QByteArray> FilePaths(bool emptyDirectories = false) const;
    // The same one by one, without a list of them all.
    void ForEachFilePath(const std::function<void(const QByteArray&)>& visit,
                         bool emptyDirectories = false) const;
    const std::vector<QByteArray>& UnplacedPaths() const { return m_unplaced; }

private:
    struct Node {
        uint32_t Parent;
        uint32_t FirstChild;
        uint32_t ChildCount;
        uint32_t NameOffset;
        uint16_t NameLength;
        uint8_t Kind;
    };
    friend class CatalogTreeBuilder;

    std::vector<Node> m_nodes;
    QByteArray m_names;
    uint32_t m_rootCount = 0;
    uint32_t m_fileCount = 0;
    std::vector<QByteArray> m_unplaced;
    std::shared_ptr<const SetMetadata> m_metadata;
};

// Builds a catalog tree from paths given one by one, in any order and with duplicates, so that
// a catalog of millions of files needs no list of them first.
class CatalogTreeBuilder {
public:
    CatalogTreeBuilder();
    ~CatalogTreeBuilder();
    CatalogTreeBuilder(const CatalogTreeBuilder&) = delete;
    CatalogTreeBuilder& operator=(const CatalogTreeBuilder&) = delete;

    void Add(QByteArrayView path);
    // A directory (its path with the closing separator) shown even when nothing lies in it.
    void AddDirectory(QByteArrayView key);
    // The tree of every path added; the builder is used up.
    CatalogTree Finish();

private:
    class Parts;
    std::unique_ptr<Parts> m_parts;
};

} // namespace orvane
