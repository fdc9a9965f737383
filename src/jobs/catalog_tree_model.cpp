#include "catalog_tree_model.h"

#include "catalog_entry_text.h"
#include "config/path_list.h"
#include "restore_list.h"
#include "session.h"

namespace orvane {

CatalogTreeModel::CatalogTreeModel(QObject* parent) : QAbstractItemModel(parent) {}

void CatalogTreeModel::SetTree(std::shared_ptr<const CatalogTree> tree) {
    beginResetModel();
    m_tree = std::move(tree);
    m_fetched.clear();
    // The roots are few and always shown.
    if (m_tree)
        m_fetched[CatalogTree::NoNode] = m_tree->RootCount();
    endResetModel();
}

uint32_t CatalogTreeModel::NodeOf(const QModelIndex& index) const {
    return index.isValid() ? uint32_t(index.internalId()) : CatalogTree::NoNode;
}

uint32_t CatalogTreeModel::ChildTotal(uint32_t node) const {
    if (!m_tree)
        return 0;
    return node == CatalogTree::NoNode ? m_tree->RootCount() : m_tree->ChildCount(node);
}

uint32_t CatalogTreeModel::Fetched(uint32_t node) const {
    const auto found = m_fetched.find(node);
    return found == m_fetched.end() ? 0 : found->second;
}

QModelIndex CatalogTreeModel::index(int row, int column, const QModelIndex& parent) const {
    const uint32_t up = NodeOf(parent);
    if (column != 0 || row < 0 || uint32_t(row) >= Fetched(up))
        return {};
    const uint32_t node = up == CatalogTree::NoNode ? uint32_t(row) : m_tree->Child(up, row);
    return createIndex(row, 0, quintptr(node));
}

QModelIndex CatalogTreeModel::parent(const QModelIndex& child) const {
    const uint32_t node = NodeOf(child);
    if (node == CatalogTree::NoNode)
        return {};
    const uint32_t up = m_tree->Parent(node);
    if (up == CatalogTree::NoNode)
        return {};
    return createIndex(int(m_tree->Row(up)), 0, quintptr(up));
}

int CatalogTreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0)
        return 0;
    return int(Fetched(NodeOf(parent)));
}

int CatalogTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

bool CatalogTreeModel::hasChildren(const QModelIndex& parent) const {
    return parent.column() <= 0 && ChildTotal(NodeOf(parent)) > 0;
}

bool CatalogTreeModel::canFetchMore(const QModelIndex& parent) const {
    const uint32_t node = NodeOf(parent);
    return parent.column() <= 0 && Fetched(node) < ChildTotal(node);
}

void CatalogTreeModel::fetchMore(const QModelIndex& parent) {
    const uint32_t node = NodeOf(parent);
    const uint32_t have = Fetched(node);
    const uint32_t total = ChildTotal(node);
    if (have >= total)
        return;
    const uint32_t more = std::min(total - have, FetchBatch);
    beginInsertRows(parent, int(have), int(have + more - 1));
    m_fetched[node] = have + more;
    endInsertRows();
}

QVariant CatalogTreeModel::data(const QModelIndex& index, int role) const {
    const uint32_t node = NodeOf(index);
    if (node == CatalogTree::NoNode)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return m_tree->Text(node);
    case ImageIndexRole:
        return int(m_tree->NodeKind(node));
    case RestoreLineRole:
        return m_tree->RestoreLine(node);
    case Qt::ToolTipRole:
        if (const EntryMetadata* entry = m_tree->MetadataOf(node))
            return CatalogEntryDetail(*entry);
        return {};
    default:
        return {};
    }
}

QString CatalogTreeModel::RestoreLine(const QModelIndex& index) const {
    const uint32_t node = NodeOf(index);
    return node == CatalogTree::NoNode ? QString() : m_tree->RestoreLine(node);
}

void AddNodeToRestoreList(Session& session, const CatalogTreeModel& model,
                          const QModelIndex& selected) {
    QStringList lines = session.Settings.RestoreList;
    NormalizePathList(lines);
    if (lines != session.Settings.RestoreList)
        SetRestoreList(session, lines);
    const QString line = model.RestoreLine(selected);
    if (!line.isEmpty())
        AppendRestoreListLine(session, line);
}

} // namespace orvane
