#pragma once

#include "catalog_tree.h"

#include <QAbstractItemModel>
#include <memory>
#include <unordered_map>

namespace orvane {

class Session;

// The catalog tree as an item model. Rows are views of the tree's nodes, nothing is
// made per node, and the children of a node are handed out in batches as the view scrolls to
// them, so that a directory of a hundred thousand files opens at once. The roots are all there
// from the start.
class CatalogTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    enum Role {
        // The node's image index: 0 root, 1 directory, 2 file.
        ImageIndexRole = Qt::UserRole + 1,
        // The line a double click adds to the restore list.
        RestoreLineRole,
    };
    static constexpr uint32_t FetchBatch = 1000;

    explicit CatalogTreeModel(QObject* parent = nullptr);

    // Shows another tree; null empties the view.
    void SetTree(std::shared_ptr<const CatalogTree> tree);
    const CatalogTree* Tree() const { return m_tree.get(); }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // The restore-list line of a node; empty for an invalid index.
    QString RestoreLine(const QModelIndex& index) const;

private:
    // The node behind an index; NoNode for the invisible top.
    uint32_t NodeOf(const QModelIndex& index) const;
    uint32_t ChildTotal(uint32_t node) const;
    uint32_t Fetched(uint32_t node) const;

    std::shared_ptr<const CatalogTree> m_tree;
    // Rows handed out so far, per parent node (NoNode for the roots).
    std::unordered_map<uint32_t, uint32_t> m_fetched;
};

// The operator picked a node of the catalog tree: the restore list is tidied (empty lines
// dropped) and the node's line is added. Nothing happens without a selection.
void AddNodeToRestoreList(Session& session, const CatalogTreeModel& model,
                          const QModelIndex& selected);

} // namespace orvane
