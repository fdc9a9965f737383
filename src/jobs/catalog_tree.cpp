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
// their number), then lays the tree out breadth first so that siblings lie together. The paths
// come one by one and need not outlive the call: file names are copied into one byte buffer,
// directory names live in the keys of the index.
class CatalogTreeBuilder::Parts {
public:
    // A directory (its path with the closing separator) that is shown even when empty.
    void AddDirectory(QByteArrayView key) {
        const TapePathForm form = PathForm(key);
        if (form != TapePathForm::Other)
            DirFor(key, form);
    }

    void Add(QByteArrayView path) {
        const TapePathForm form = PathForm(path);
        if (form == TapePathForm::Other) {
            m_tree.m_unplaced.push_back(path.toByteArray());
            return;
        }
        const qsizetype cut = path.lastIndexOf(PathSeparator(form));
        if (cut + 1 == path.size()) {
            m_tree.m_unplaced.push_back(path.toByteArray());
            return;
        }
        const QByteArrayView key = path.first(cut + 1);
        const uint32_t dir = View(key) == m_lastKey ? m_lastDir : DirFor(key, form);
        m_lastKey.assign(View(key));
        m_lastDir = dir;
        const QByteArrayView name = path.sliced(cut + 1);
        m_dirs[dir].Files.push_back({m_fileNames.size(), uint16_t(name.size())});
        m_fileNames.append(View(name));
    }

    CatalogTree Finish() {
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
        std::vector<QByteArrayView> files;
        for (size_t i = 0; i < queue.size(); ++i) {
            const auto [node, dirIndex] = queue[i];
            Dir& dir = m_dirs[dirIndex];
            std::sort(dir.Subdirs.begin(), dir.Subdirs.end(), [this](uint32_t a, uint32_t b) {
                return NameLess(m_dirs[a].Name, m_dirs[b].Name);
            });
            files.clear();
            for (const FileName& file : dir.Files)
                files.emplace_back(m_fileNames.data() + file.Offset, file.Length);
            std::sort(files.begin(), files.end(), NameLess);
            files.erase(std::unique(files.begin(), files.end()), files.end());

            const uint32_t first = uint32_t(tree.m_nodes.size());
            for (const uint32_t sub : dir.Subdirs) {
                queue.emplace_back(uint32_t(tree.m_nodes.size()), sub);
                Append(CatalogTree::Kind::Directory, node, m_dirs[sub].Name);
            }
            for (const QByteArrayView file : files)
                Append(CatalogTree::Kind::File, node, file);
            tree.m_fileCount += uint32_t(files.size());
            tree.m_nodes[node].FirstChild = first;
            tree.m_nodes[node].ChildCount = uint32_t(tree.m_nodes.size()) - first;
            dir.Subdirs = {};
            dir.Files = {};
        }
        tree.m_nodes.shrink_to_fit();
        tree.m_names.squeeze();
        return std::move(m_tree);
    }

private:
    struct FileName {
        size_t Offset;
        uint16_t Length;
    };
    struct Dir {
        QByteArrayView Name; // in the directory's key in the index
        std::vector<uint32_t> Subdirs;
        std::vector<FileName> Files;
    };

    // The directory whose key (its path with the closing separator) is given, created with
    // every missing ancestor. A doubled separator names no directory of its own.
    uint32_t DirFor(QByteArrayView key, TapePathForm form) {
        if (const auto found = m_index.find(View(key)); found != m_index.end())
            return found->second;
        const char separator = PathSeparator(form);
        uint32_t id = 0;
        std::string canonical;
        qsizetype nameLength = 0;
        bool created = false;
        const bool root = key.size() <= RootLength(form);
        if (root) {
            nameLength = form == TapePathForm::Linux ? 1 : 2;
            id = NewDir();
            created = true;
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
            nameLength = component.size();
            if (const auto found = m_index.find(canonical); found != m_index.end()) {
                id = found->second;
            } else {
                id = NewDir();
                created = true;
                m_dirs[parent].Subdirs.push_back(id);
            }
        }
        const auto entry = m_index.emplace(std::move(canonical), id).first;
        if (m_canonical.size() <= id)
            m_canonical.resize(id + 1);
        if (!m_canonical[id])
            m_canonical[id] = &entry->first;
        if (created) {
            // A root's name starts its key; any other's ends it, before the separator.
            const std::string& owned = *m_canonical[id];
            const size_t at = root ? 0 : owned.size() - 1 - size_t(nameLength);
            m_dirs[id].Name = QByteArrayView(owned.data() + at, nameLength);
        }
        if (entry->first != View(key))
            m_index.emplace(View(key), id);
        return id;
    }

    uint32_t NewDir() {
        m_dirs.push_back(Dir{{}, {}, {}});
        return uint32_t(m_dirs.size() - 1);
    }

    void Append(CatalogTree::Kind kind, uint32_t parent, QByteArrayView name) {
        CatalogTree& tree = m_tree;
        tree.m_nodes.push_back(
            {parent, 0, 0, uint32_t(tree.m_names.size()), uint16_t(name.size()), uint8_t(kind)});
        tree.m_names.append(name);
    }

    CatalogTree m_tree;
    std::vector<Dir> m_dirs;
    std::vector<uint32_t> m_roots;
    std::unordered_map<std::string, uint32_t, KeyHash, std::equal_to<>> m_index;
    // The key without doubled separators of each directory, owned by the index.
    std::vector<const std::string*> m_canonical;
    std::string m_fileNames;
    std::string m_lastKey;
    uint32_t m_lastDir = 0;
};

CatalogTreeBuilder::CatalogTreeBuilder() : m_parts(std::make_unique<Parts>()) {}

CatalogTreeBuilder::~CatalogTreeBuilder() = default;

void CatalogTreeBuilder::Add(QByteArrayView path) {
    m_parts->Add(path);
}

void CatalogTreeBuilder::AddDirectory(QByteArrayView key) {
    m_parts->AddDirectory(key);
}

CatalogTree CatalogTreeBuilder::Finish() {
    return m_parts->Finish();
}

CatalogTree CatalogTree::Build(const std::vector<QByteArray>& paths) {
    CatalogTreeBuilder builder;
    for (const QByteArray& path : paths)
        builder.Add(path);
    return builder.Finish();
}

CatalogTree CatalogTree::Build(const std::vector<QByteArray>& paths,
                               std::shared_ptr<const SetMetadata> metadata) {
    if (!metadata)
        return Build(paths);
    CatalogTreeBuilder builder;
    for (const QByteArray& path : paths)
        builder.Add(path);
    AddMetadataEntries(builder, *metadata);
    CatalogTree tree = builder.Finish();
    tree.m_metadata = std::move(metadata);
    return tree;
}

void CatalogTree::AddMetadataEntries(CatalogTreeBuilder& builder, const SetMetadata& metadata) {
    for (const EntryMetadata& entry : metadata.Entries()) {
        if (entry.Kind == EntryMetadata::Type::Directory)
            builder.AddDirectory(entry.Path + PathSeparator(PathForm(entry.Path)));
        else if (entry.Kind != EntryMetadata::Type::File)
            builder.Add(entry.Path);
    }
}

void CatalogTree::KeepMetadata(std::shared_ptr<const SetMetadata> metadata) {
    m_metadata = std::move(metadata);
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
    ForEachFilePath([&result](const QByteArray& path) { result.push_back(path); },
                    emptyDirectories);
    return result;
}

void CatalogTree::ForEachFilePath(const std::function<void(const QByteArray&)>& visit,
                                  bool emptyDirectories) const {
    QByteArray file;
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
                file.resize(0); // keeps its room: no allocation per path
                file.append(prefix).append(Name(item));
                visit(file);
            } else {
                prefix += Name(item);
                prefix += separator;
                prefixLengths.push_back(prefix.size());
                if (emptyDirectories && ChildCount(item) == 0)
                    visit(prefix);
                stack.emplace_back(item, 0);
            }
        }
    }
}

} // namespace orvane
