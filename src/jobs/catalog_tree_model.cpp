#include "catalog_tree_model.h"

#include "config/path_list.h"
#include "restore_list.h"
#include "session.h"

namespace orvane {

CatalogTreeModel::CatalogTreeModel(QObject* parent) : QAbstractItemModel(parent) {}

void CatalogTreeModel::setTree(std::shared_ptr<const CatalogTree> tree) {
    beginResetModel();
    m_tree = std::move(tree);
    m_fetched.clear();
    // The roots are few and always shown.
    if (m_tree)
        m_fetched[CatalogTree::NoNode] = m_tree->rootCount();
    endResetModel();
}

uint32_t CatalogTreeModel::nodeOf(const QModelIndex& index) const {
    return index.isValid() ? uint32_t(index.internalId()) : CatalogTree::NoNode;
}

uint32_t CatalogTreeModel::childTotal(uint32_t node) const {
    if (!m_tree)
        return 0;
    return node == CatalogTree::NoNode ? m_tree->rootCount() : m_tree->childCount(node);
}

uint32_t CatalogTreeModel::fetched(uint32_t node) const {
    const auto found = m_fetched.find(node);
    return found == m_fetched.end() ? 0 : found->second;
}

QModelIndex CatalogTreeModel::index(int row, int column, const QModelIndex& parent) const {
    const uint32_t up = nodeOf(parent);
    if (column != 0 || row < 0 || uint32_t(row) >= fetched(up))
        return {};
    const uint32_t node = up == CatalogTree::NoNode ? uint32_t(row) : m_tree->child(up, row);
    return createIndex(row, 0, quintptr(node));
}

QModelIndex CatalogTreeModel::parent(const QModelIndex& child) const {
    const uint32_t node = nodeOf(child);
    if (node == CatalogTree::NoNode)
        return {};
    const uint32_t up = m_tree->parent(node);
    if (up == CatalogTree::NoNode)
        return {};
    return createIndex(int(m_tree->row(up)), 0, quintptr(up));
}

int CatalogTreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0)
        return 0;
    return int(fetched(nodeOf(parent)));
}

int CatalogTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

bool CatalogTreeModel::hasChildren(const QModelIndex& parent) const {
    return parent.column() <= 0 && childTotal(nodeOf(parent)) > 0;
}

bool CatalogTreeModel::canFetchMore(const QModelIndex& parent) const {
    const uint32_t node = nodeOf(parent);
    return parent.column() <= 0 && fetched(node) < childTotal(node);
}

void CatalogTreeModel::fetchMore(const QModelIndex& parent) {
    const uint32_t node = nodeOf(parent);
    const uint32_t have = fetched(node);
    const uint32_t total = childTotal(node);
    if (have >= total)
        return;
    const uint32_t more = std::min(total - have, FetchBatch);
    beginInsertRows(parent, int(have), int(have + more - 1));
    m_fetched[node] = have + more;
    endInsertRows();
}

QVariant CatalogTreeModel::data(const QModelIndex& index, int role) const {
    const uint32_t node = nodeOf(index);
    if (node == CatalogTree::NoNode)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return m_tree->text(node);
    case ImageIndexRole:
        return int(m_tree->kind(node));
    case RestoreLineRole:
        return m_tree->restoreLine(node);
    default:
        return {};
    }
}

QString CatalogTreeModel::restoreLine(const QModelIndex& index) const {
    const uint32_t node = nodeOf(index);
    return node == CatalogTree::NoNode ? QString() : m_tree->restoreLine(node);
}

void AddNodeToRestoreList(Session& session, const CatalogTreeModel& model,
                          const QModelIndex& selected) {
    QStringList lines = session.settings.RestoreList;
    NormalizePathList(lines);
    if (lines != session.settings.RestoreList)
        SetRestoreList(session, lines);
    const QString line = model.restoreLine(selected);
    if (!line.isEmpty())
        AppendRestoreListLine(session, line);
}

} // namespace orvane
