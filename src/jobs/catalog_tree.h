#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdint>
#include <vector>

namespace orvane {

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
    // tree; they are kept in unplacedPaths().
    static CatalogTree Build(const std::vector<QByteArray>& paths);

    bool isEmpty() const { return m_nodes.empty(); }
    uint32_t nodeCount() const { return uint32_t(m_nodes.size()); }
    uint32_t fileCount() const { return m_fileCount; }
    // The roots are the nodes 0 .. rootCount() - 1.
    uint32_t rootCount() const { return m_rootCount; }

    Kind kind(uint32_t node) const { return Kind(m_nodes[node].kind); }
    uint32_t parent(uint32_t node) const { return m_nodes[node].parent; }
    uint32_t childCount(uint32_t node) const { return m_nodes[node].childCount; }
    uint32_t child(uint32_t node, uint32_t row) const { return m_nodes[node].firstChild + row; }
    // The node's place among its siblings (among the roots for a root).
    uint32_t row(uint32_t node) const;

    // The node's own name as stored on tape: "/" or "c:" for a root.
    QByteArrayView name(uint32_t node) const;
    // The name as the tree shows it.
    QString text(uint32_t node) const;
    // The full tape path; a root's or directory's ends in its separator ("/", "c:\data\").
    QByteArray path(uint32_t node) const;
    // The restore-list line of a node: its full path, ending in the separator for a root or a
    // directory, so that the line selects everything below it.
    QString restoreLine(uint32_t node) const;

    // Every file's full path, in the order the tree shows them (depth first).
    std::vector<QByteArray> filePaths() const;
    const std::vector<QByteArray>& unplacedPaths() const { return m_unplaced; }

private:
    struct Node {
        uint32_t parent;
        uint32_t firstChild;
        uint32_t childCount;
        uint32_t nameOffset;
        uint16_t nameLength;
        uint8_t kind;
    };
    friend class CatalogTreeBuilder;

    std::vector<Node> m_nodes;
    QByteArray m_names;
    uint32_t m_rootCount = 0;
    uint32_t m_fileCount = 0;
    std::vector<QByteArray> m_unplaced;
};

} // namespace orvane
