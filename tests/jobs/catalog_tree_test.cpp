#include "jobs/catalog_tree.h"
#include "jobs/catalog_tree_model.h"
#include "jobs/session.h"
#include "support/tape_fixture.h"

#include <gtest/gtest.h>

using namespace orvane;
using Kind = CatalogTree::Kind;

namespace {

std::vector<QByteArray> Paths(std::initializer_list<const char*> paths) {
    std::vector<QByteArray> result;
    for (const char* path : paths)
        result.emplace_back(path);
    return result;
}

// The tree drawn as text, one node per line, indented by depth, with its image index.
QStringList Drawing(const CatalogTree& tree) {
    QStringList lines;
    std::function<void(uint32_t, int)> draw = [&](uint32_t node, int depth) {
        lines << QString(depth * 2, QLatin1Char(' ')) + tree.Text(node) +
                     QStringLiteral(" [%1]").arg(int(tree.NodeKind(node)));
        for (uint32_t row = 0; row < tree.ChildCount(node); ++row)
            draw(tree.Child(node, row), depth + 1);
    };
    for (uint32_t root = 0; root < tree.RootCount(); ++root)
        draw(root, 0);
    return lines;
}

TEST(CatalogTree, OneRootPerRootDirectoriesBeforeFilesEachPathOnce) {
    const CatalogTree tree = CatalogTree::Build(Paths({
        "/home/ann/b.txt",
        "c:\\data\\sub\\x.doc",
        "/home/ann/a.txt",
        "/top.txt",
        "/home/ann/B.txt",
        "/home/ann/a.txt", // backed up twice on an appended set
        "/home/ann/docs/Zeta.txt",
        "c:\\boot.ini",
        "/home/ann/docs/alpha.txt",
        "/etc/hosts",
    }));
    EXPECT_EQ(Drawing(tree), QStringList({
                                 "/ [0]",
                                 "  etc [1]",
                                 "    hosts [2]",
                                 "  home [1]",
                                 "    ann [1]",
                                 "      docs [1]",
                                 "        alpha.txt [2]",
                                 "        Zeta.txt [2]",
                                 "      a.txt [2]",
                                 "      B.txt [2]",
                                 "      b.txt [2]",
                                 "  top.txt [2]",
                                 "c: [0]",
                                 "  data [1]",
                                 "    sub [1]",
                                 "      x.doc [2]",
                                 "  boot.ini [2]",
                             }));
    EXPECT_EQ(tree.FileCount(), 9u);
    EXPECT_TRUE(tree.UnplacedPaths().empty());

    std::vector<QByteArray> expected = Paths({
        "/etc/hosts",
        "/home/ann/docs/alpha.txt",
        "/home/ann/docs/Zeta.txt",
        "/home/ann/a.txt",
        "/home/ann/B.txt",
        "/home/ann/b.txt",
        "/top.txt",
        "c:\\data\\sub\\x.doc",
        "c:\\boot.ini",
    });
    EXPECT_EQ(tree.FilePaths(), expected);
}

// Paths fed one by one from a buffer that is reused at once, as a catalog load feeds them: the
// tree owns every name it keeps.
TEST(CatalogTreeBuilder, KeepsItsOwnCopyOfEveryName) {
    const std::vector<QByteArray> paths =
        Paths({"/home/ann/b.txt", "c:\\data\\x.doc", "/home/ann/a.txt", "/home//ann/a.txt",
               "/etc/hosts", "relative.txt"});
    CatalogTreeBuilder builder;
    QByteArray buffer;
    for (const QByteArray& path : paths) {
        buffer = path;
        builder.Add(buffer);
        buffer.fill('#');
    }
    const CatalogTree fed = builder.Finish();
    const CatalogTree built = CatalogTree::Build(paths);
    EXPECT_EQ(Drawing(fed), Drawing(built));
    EXPECT_EQ(fed.FilePaths(), built.FilePaths());
    EXPECT_EQ(fed.UnplacedPaths(), std::vector<QByteArray>{"relative.txt"});
    EXPECT_EQ(fed.FilePaths(),
              Paths({"/etc/hosts", "/home/ann/a.txt", "/home/ann/b.txt", "c:\\data\\x.doc"}));
}

TEST(CatalogTree, RestoreLinesOfEveryKindOfNode) {
    const CatalogTree tree =
        CatalogTree::Build(Paths({"/home/ann/a.txt", "/top.txt", "c:\\data\\a.txt", "c:\\r.txt"}));
    // The line of every node, in the order of the drawing.
    QStringList lines;
    std::function<void(uint32_t)> walk = [&](uint32_t node) {
        lines << tree.RestoreLine(node);
        for (uint32_t row = 0; row < tree.ChildCount(node); ++row)
            walk(tree.Child(node, row));
    };
    for (uint32_t root = 0; root < tree.RootCount(); ++root)
        walk(root);
    EXPECT_EQ(lines, QStringList({"/", "/home/", "/home/ann/", "/home/ann/a.txt", "/top.txt",
                                  "c:\\", "c:\\data\\", "c:\\data\\a.txt", "c:\\r.txt"}));
}

TEST(CatalogTree, OddPathsStayOutOfTheTreeAndDoubledSeparatorsAddNoLevel) {
    const CatalogTree tree =
        CatalogTree::Build(Paths({"relative/a.txt", "\\\\server\\share\\a.txt", "/data/",
                                  "/data//sub/a.txt", "/data/sub/b.txt", "c:\\\\x.txt"}));
    EXPECT_EQ(Drawing(tree), QStringList({"/ [0]", "  data [1]", "    sub [1]", "      a.txt [2]",
                                          "      b.txt [2]", "c: [0]", "  x.txt [2]"}));
    EXPECT_EQ(tree.UnplacedPaths(),
              Paths({"relative/a.txt", "\\\\server\\share\\a.txt", "/data/"}));
}

TEST(CatalogTree, DriveLetterNamesReadAsTheirCodePage) {
    const CatalogTree tree = CatalogTree::Build(Paths({"c:\\daten\\gr\xf6\xdf"
                                                       "e.txt"}));
    EXPECT_EQ(tree.Text(2), QString::fromUtf8("gr\xc3\xb6\xc3\x9f"
                                              "e.txt"));
    EXPECT_EQ(tree.RestoreLine(2), QString::fromUtf8("c:\\daten\\gr\xc3\xb6\xc3\x9f"
                                                     "e.txt"));
}

TEST(CatalogTree, AnEmptyListGivesAnEmptyTree) {
    const CatalogTree tree = CatalogTree::Build({});
    EXPECT_TRUE(tree.IsEmpty());
    EXPECT_TRUE(tree.FilePaths().empty());
}

class CatalogTreeModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<QByteArray> paths;
        for (int i = 0; i < 2500; ++i)
            paths.push_back(QByteArrayLiteral("/big/f") + QByteArray::number(i));
        paths.emplace_back("/small/one.txt");
        paths.emplace_back("c:\\x.txt");
        m_model.SetTree(std::make_shared<const CatalogTree>(CatalogTree::Build(paths)));
    }
    CatalogTreeModel m_model;
};

TEST_F(CatalogTreeModelTest, HandsOutChildrenInBatches) {
    ASSERT_EQ(m_model.rowCount(), 2) << "the roots are there from the start";
    const QModelIndex slash = m_model.index(0, 0);
    EXPECT_EQ(m_model.data(slash).toString(), "/");
    EXPECT_EQ(m_model.rowCount(slash), 0);
    EXPECT_TRUE(m_model.hasChildren(slash));
    ASSERT_TRUE(m_model.canFetchMore(slash));
    m_model.fetchMore(slash);
    ASSERT_EQ(m_model.rowCount(slash), 2);
    const QModelIndex big = m_model.index(0, 0, slash);
    EXPECT_EQ(m_model.data(big).toString(), "big");

    std::vector<int> counts;
    while (m_model.canFetchMore(big)) {
        m_model.fetchMore(big);
        counts.push_back(m_model.rowCount(big));
    }
    EXPECT_EQ(counts, (std::vector<int>{1000, 2000, 2500}));
    EXPECT_FALSE(m_model.hasChildren(m_model.index(0, 0, big)));
    EXPECT_EQ(m_model.parent(m_model.index(2499, 0, big)), big);
    EXPECT_EQ(m_model.parent(big), slash);
}

TEST_F(CatalogTreeModelTest, GivesImageIndexAndRestoreLinePerNode) {
    const QModelIndex slash = m_model.index(0, 0);
    m_model.fetchMore(slash);
    const QModelIndex small = m_model.index(1, 0, slash);
    m_model.fetchMore(small);
    const QModelIndex file = m_model.index(0, 0, small);
    const QModelIndex drive = m_model.index(1, 0);
    m_model.fetchMore(drive);
    const QModelIndex driveFile = m_model.index(0, 0, drive);

    EXPECT_EQ(m_model.data(slash, CatalogTreeModel::ImageIndexRole).toInt(), 0);
    EXPECT_EQ(m_model.data(small, CatalogTreeModel::ImageIndexRole).toInt(), 1);
    EXPECT_EQ(m_model.data(file, CatalogTreeModel::ImageIndexRole).toInt(), 2);
    EXPECT_EQ(m_model.RestoreLine(slash), "/");
    EXPECT_EQ(m_model.RestoreLine(small), "/small/");
    EXPECT_EQ(m_model.RestoreLine(file), "/small/one.txt");
    EXPECT_EQ(m_model.data(drive).toString(), "c:");
    EXPECT_EQ(m_model.RestoreLine(drive), "c:\\");
    EXPECT_EQ(m_model.data(driveFile, CatalogTreeModel::RestoreLineRole).toString(), "c:\\x.txt");
    EXPECT_EQ(m_model.RestoreLine(QModelIndex()), "");
}

TEST_F(CatalogTreeModelTest, ADoubleClickAddsTheNodesLineToATidiedRestoreList) {
    orvane::test::SessionFixture fixture;
    Session& session = *fixture.Session;
    session.Settings.RestoreList = {"/etc/", "", " ", "/srv/x"};
    const QModelIndex slash = m_model.index(0, 0);
    m_model.fetchMore(slash);

    AddNodeToRestoreList(session, m_model, m_model.index(1, 0, slash));
    EXPECT_EQ(session.Settings.RestoreList, QStringList({"/etc/", "/srv/x", "/small/"}));
    EXPECT_EQ(fixture.Op.RestoreList, session.Settings.RestoreList);
    AddNodeToRestoreList(session, m_model, QModelIndex());
    EXPECT_EQ(session.Settings.RestoreList.size(), 3) << "no selection adds nothing";
}

TEST_F(CatalogTreeModelTest, ANewTreeResetsTheRows) {
    const QModelIndex slash = m_model.index(0, 0);
    m_model.fetchMore(slash);
    m_model.SetTree(nullptr);
    EXPECT_EQ(m_model.rowCount(), 0);
    EXPECT_FALSE(m_model.hasChildren());
}

} // namespace
