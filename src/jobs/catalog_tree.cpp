#include "catalog_tree.h"

#include "catalog_paths.h"
#include "platform/path_bytes.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <unordered_map>

namespace orvane {

namespace {

struct KeyHash {
    using is_transparent = void;
    size_t operator()(std::string_view key) const { return std::hash<std::string_view>{}(key); }
};

std::string_view View(QByteArrayView bytes) {
    return {bytes.data(), size_t(bytes.size())};
}

// Case-insensitive first, so that "apple" and "Banana" sort as a reader expects; bytes decide
// between names that differ only in case.
bool NameLess(QByteArrayView a, QByteArrayView b) {
    if (const int order = a.compare(b, Qt::CaseInsensitive); order != 0)
        return order < 0;
    return a.compare(b, Qt::CaseSensitive) < 0;
}

} // namespace

// Collects the directories of the paths in a hash index (one lookup per path, no limit on
// their number), then lays the tree out breadth first so that siblings lie together. The
// names stay views into the given paths until they are copied into the tree's buffer.
class CatalogTreeBuilder {
public:
    explicit CatalogTreeBuilder(CatalogTree& tree) : m_tree(tree) {}

    // A directory (its path without the closing separator) that is shown even when empty.
    void AddDirectory(const QByteArray& key) {
        const TapePathForm form = PathForm(key);
        if (form != TapePathForm::Other)
            DirFor(key, form);
    }

    void Add(const QByteArray& path) {
        const TapePathForm form = PathForm(path);
        if (form == TapePathForm::Other) {
            m_tree.m_unplaced.push_back(path);
            return;
        }
        const qsizetype cut = path.lastIndexOf(PathSeparator(form));
        if (cut + 1 == path.size()) {
            m_tree.m_unplaced.push_back(path);
            return;
        }
        const QByteArrayView key = QByteArrayView(path).first(cut + 1);
        const uint32_t dir = key == m_lastKey ? m_lastDir : DirFor(key, form);
        m_lastKey = key;
        m_lastDir = dir;
        m_dirs[dir].Files.push_back(QByteArrayView(path).sliced(cut + 1));
    }

    void Finish() {
        CatalogTree& tree = m_tree;
        std::sort(m_roots.begin(), m_roots.end(), [this](uint32_t a, uint32_t b) {
            return NameLess(m_dirs[a].Name, m_dirs[b].Name);
        });
        std::vector<std::pair<uint32_t, uint32_t>> queue; // (node, directory)
        queue.reserve(m_dirs.size());
        for (const uint32_t root : m_roots) {
            queue.emplace_back(uint32_t(tree.m_nodes.size()), root);
            Append(CatalogTree::Kind::Root, CatalogTree::NoNode, m_dirs[root].Name);
        }
        tree.m_rootCount = uint32_t(m_roots.size());
        for (size_t i = 0; i < queue.size(); ++i) {
            const auto [node, dirIndex] = queue[i];
            Dir& dir = m_dirs[dirIndex];
            std::sort(dir.Subdirs.begin(), dir.Subdirs.end(), [this](uint32_t a, uint32_t b) {
                return NameLess(m_dirs[a].Name, m_dirs[b].Name);
            });
            std::sort(dir.Files.begin(), dir.Files.end(), NameLess);
            dir.Files.erase(std::unique(dir.Files.begin(), dir.Files.end()), dir.Files.end());

            const uint32_t first = uint32_t(tree.m_nodes.size());
            for (const uint32_t sub : dir.Subdirs) {
                queue.emplace_back(uint32_t(tree.m_nodes.size()), sub);
                Append(CatalogTree::Kind::Directory, node, m_dirs[sub].Name);
            }
            for (const QByteArrayView file : dir.Files)
                Append(CatalogTree::Kind::File, node, file);
            tree.m_fileCount += uint32_t(dir.Files.size());
            tree.m_nodes[node].FirstChild = first;
            tree.m_nodes[node].ChildCount = uint32_t(tree.m_nodes.size()) - first;
            dir.Subdirs = {};
            dir.Files = {};
        }
        tree.m_nodes.shrink_to_fit();
        tree.m_names.squeeze();
    }

private:
    struct Dir {
        QByteArrayView Name;
        std::vector<uint32_t> Subdirs;
        std::vector<QByteArrayView> Files;
    };

    // The directory whose key (its path with the closing separator) is given, created with
    // every missing ancestor. A doubled separator names no directory of its own.
    uint32_t DirFor(QByteArrayView key, TapePathForm form) {
        if (const auto found = m_index.find(View(key)); found != m_index.end())
            return found->second;
        const char separator = PathSeparator(form);
        uint32_t id = 0;
        std::string canonical;
        if (key.size() <= RootLength(form)) {
            id = NewDir(form == TapePathForm::Linux ? key.first(1) : key.first(2));
            m_roots.push_back(id);
            canonical = View(key);
        } else {
            const qsizetype cut = key.first(key.size() - 1).lastIndexOf(separator);
            const uint32_t parent = DirFor(key.first(cut + 1), form);
            const QByteArrayView component = key.sliced(cut + 1, key.size() - cut - 2);
            if (component.isEmpty())
                return m_index.emplace(View(key), parent).first->second;
            canonical = *m_canonical[parent];
            canonical.append(View(component)).push_back(separator);
            if (const auto found = m_index.find(canonical); found != m_index.end()) {
                id = found->second;
            } else {
                id = NewDir(component);
                m_dirs[parent].Subdirs.push_back(id);
            }
        }
        const auto entry = m_index.emplace(std::move(canonical), id).first;
        if (m_canonical.size() <= id)
            m_canonical.resize(id + 1);
        if (!m_canonical[id])
            m_canonical[id] = &entry->first;
        if (entry->first != View(key))
            m_index.emplace(View(key), id);
        return id;
    }

    uint32_t NewDir(QByteArrayView name) {
        m_dirs.push_back(Dir{name, {}, {}});
        return uint32_t(m_dirs.size() - 1);
    }

    void Append(CatalogTree::Kind kind, uint32_t parent, QByteArrayView name) {
        CatalogTree& tree = m_tree;
        tree.m_nodes.push_back(
            {parent, 0, 0, uint32_t(tree.m_names.size()), uint16_t(name.size()), uint8_t(kind)});
        tree.m_names.append(name);
    }

    CatalogTree& m_tree;
    std::vector<Dir> m_dirs;
    std::vector<uint32_t> m_roots;
    std::unordered_map<std::string, uint32_t, KeyHash, std::equal_to<>> m_index;
    // The key without doubled separators of each directory, owned by the index.
    std::vector<const std::string*> m_canonical;
    QByteArrayView m_lastKey;
    uint32_t m_lastDir = 0;
};

CatalogTree CatalogTree::Build(const std::vector<QByteArray>& paths) {
    CatalogTree tree;
    CatalogTreeBuilder builder(tree);
    for (const QByteArray& path : paths)
        builder.Add(path);
    builder.Finish();
    return tree;
}

CatalogTree CatalogTree::Build(const std::vector<QByteArray>& paths,
                               std::shared_ptr<const SetMetadata> metadata) {
    if (!metadata)
        return Build(paths);
    CatalogTree tree;
    CatalogTreeBuilder builder(tree);
    // The builder keeps views of its paths until it finishes.
    std::vector<QByteArray> directoryKeys;
    for (const QByteArray& path : paths)
        builder.Add(path);
    for (const EntryMetadata& entry : metadata->Entries()) {
        if (entry.Kind == EntryMetadata::Type::Directory)
            directoryKeys.push_back(entry.Path + PathSeparator(PathForm(entry.Path)));
        else if (entry.Kind != EntryMetadata::Type::File)
            builder.Add(entry.Path);
    }
    for (const QByteArray& key : directoryKeys)
        builder.AddDirectory(key);
    builder.Finish();
    tree.m_metadata = std::move(metadata);
    return tree;
}

const EntryMetadata* CatalogTree::MetadataOf(uint32_t node) const {
    if (!m_metadata)
        return nullptr;
    QByteArray path = Path(node);
    if (NodeKind(node) != Kind::File && path.size() > 1)
        path.chop(1);
    return m_metadata->Find(path);
}

uint32_t CatalogTree::Row(uint32_t node) const {
    const uint32_t up = Parent(node);
    return up == NoNode ? node : node - m_nodes[up].FirstChild;
}

QByteArrayView CatalogTree::Name(uint32_t node) const {
    const Node& entry = m_nodes[node];
    return QByteArrayView(m_names).sliced(entry.NameOffset, entry.NameLength);
}

QString CatalogTree::Text(uint32_t node) const {
    // A drive-letter tape's names read as its paths do.
    uint32_t root = node;
    while (Parent(root) != NoNode)
        root = Parent(root);
    if (Name(root) != QByteArrayView("/"))
        return QString::fromLatin1(Name(node));
    return DisplayPath(TapePathText(Name(node)));
}

QByteArray CatalogTree::Path(uint32_t node) const {
    std::vector<uint32_t> chain;
    for (uint32_t at = node; at != NoNode; at = Parent(at))
        chain.push_back(at);
    const QByteArrayView rootName = Name(chain.back());
    const bool linuxRoot = rootName == QByteArrayView("/");
    const char separator = linuxRoot ? '/' : '\\';
    QByteArray result = rootName.toByteArray();
    if (!linuxRoot)
        result += separator;
    for (auto at = chain.rbegin() + 1; at != chain.rend(); ++at) {
        result += Name(*at);
        if (NodeKind(*at) != Kind::File)
            result += separator;
    }
    return result;
}

QString CatalogTree::RestoreLine(uint32_t node) const {
    return TapePathText(Path(node));
}

std::vector<QByteArray> CatalogTree::FilePaths(bool emptyDirectories) const {
    std::vector<QByteArray> result;
    result.reserve(m_fileCount);
    // Depth first with an explicit stack: (node, next child row).
    std::vector<std::pair<uint32_t, uint32_t>> stack;
    for (uint32_t root = 0; root < m_rootCount; ++root) {
        stack.emplace_back(root, 0);
        QByteArray prefix = Path(root);
        const char separator = prefix.back();
        std::vector<qsizetype> prefixLengths{prefix.size()};
        while (!stack.empty()) {
            auto& [node, next] = stack.back();
            if (next == ChildCount(node)) {
                stack.pop_back();
                prefixLengths.pop_back();
                if (!prefixLengths.empty())
                    prefix.truncate(prefixLengths.back());
                continue;
            }
            const uint32_t item = Child(node, next++);
            if (NodeKind(item) == Kind::File) {
                QByteArray file = prefix;
                result.push_back(file.append(Name(item)));
            } else {
                prefix += Name(item);
                prefix += separator;
                if (emptyDirectories && ChildCount(item) == 0)
                    result.push_back(prefix);
                prefixLengths.push_back(prefix.size());
                stack.emplace_back(item, 0);
            }
        }
    }
    return result;
}

} // namespace orvane
