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
        lines << QString(depth * 2, QLatin1Char(' ')) + tree.text(node) +
                     QStringLiteral(" [%1]").arg(int(tree.kind(node)));
        for (uint32_t row = 0; row < tree.childCount(node); ++row)
            draw(tree.child(node, row), depth + 1);
    };
    for (uint32_t root = 0; root < tree.rootCount(); ++root)
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
    EXPECT_EQ(tree.fileCount(), 9u);
    EXPECT_TRUE(tree.unplacedPaths().empty());

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
    EXPECT_EQ(tree.filePaths(), expected);
}

TEST(CatalogTree, RestoreLinesOfEveryKindOfNode) {
    const CatalogTree tree =
        CatalogTree::Build(Paths({"/home/ann/a.txt", "/top.txt", "c:\\data\\a.txt", "c:\\r.txt"}));
    // The line of every node, in the order of the drawing.
    QStringList lines;
    std::function<void(uint32_t)> walk = [&](uint32_t node) {
        lines << tree.restoreLine(node);
        for (uint32_t row = 0; row < tree.childCount(node); ++row)
            walk(tree.child(node, row));
    };
    for (uint32_t root = 0; root < tree.rootCount(); ++root)
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
    EXPECT_EQ(tree.unplacedPaths(),
              Paths({"relative/a.txt", "\\\\server\\share\\a.txt", "/data/"}));
}

TEST(CatalogTree, DriveLetterNamesReadAsTheirCodePage) {
    const CatalogTree tree = CatalogTree::Build(Paths({"c:\\daten\\gr\xf6\xdf"
                                                       "e.txt"}));
    EXPECT_EQ(tree.text(2), QString::fromUtf8("gr\xc3\xb6\xc3\x9f"
                                              "e.txt"));
    EXPECT_EQ(tree.restoreLine(2), QString::fromUtf8("c:\\daten\\gr\xc3\xb6\xc3\x9f"
                                                     "e.txt"));
}

TEST(CatalogTree, AnEmptyListGivesAnEmptyTree) {
    const CatalogTree tree = CatalogTree::Build({});
    EXPECT_TRUE(tree.isEmpty());
    EXPECT_TRUE(tree.filePaths().empty());
}

class CatalogTreeModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<QByteArray> paths;
        for (int i = 0; i < 2500; ++i)
            paths.push_back(QByteArrayLiteral("/big/f") + QByteArray::number(i));
        paths.emplace_back("/small/one.txt");
        paths.emplace_back("c:\\x.txt");
        model.setTree(std::make_shared<const CatalogTree>(CatalogTree::Build(paths)));
    }
    CatalogTreeModel model;
};

TEST_F(CatalogTreeModelTest, HandsOutChildrenInBatches) {
    ASSERT_EQ(model.rowCount(), 2) << "the roots are there from the start";
    const QModelIndex slash = model.index(0, 0);
    EXPECT_EQ(model.data(slash).toString(), "/");
    EXPECT_EQ(model.rowCount(slash), 0);
    EXPECT_TRUE(model.hasChildren(slash));
    ASSERT_TRUE(model.canFetchMore(slash));
    model.fetchMore(slash);
    ASSERT_EQ(model.rowCount(slash), 2);
    const QModelIndex big = model.index(0, 0, slash);
    EXPECT_EQ(model.data(big).toString(), "big");

    std::vector<int> counts;
    while (model.canFetchMore(big)) {
        model.fetchMore(big);
        counts.push_back(model.rowCount(big));
    }
    EXPECT_EQ(counts, (std::vector<int>{1000, 2000, 2500}));
    EXPECT_FALSE(model.hasChildren(model.index(0, 0, big)));
    EXPECT_EQ(model.parent(model.index(2499, 0, big)), big);
    EXPECT_EQ(model.parent(big), slash);
}

TEST_F(CatalogTreeModelTest, GivesImageIndexAndRestoreLinePerNode) {
    const QModelIndex slash = model.index(0, 0);
    model.fetchMore(slash);
    const QModelIndex small = model.index(1, 0, slash);
    model.fetchMore(small);
    const QModelIndex file = model.index(0, 0, small);
    const QModelIndex drive = model.index(1, 0);
    model.fetchMore(drive);
    const QModelIndex driveFile = model.index(0, 0, drive);

    EXPECT_EQ(model.data(slash, CatalogTreeModel::ImageIndexRole).toInt(), 0);
    EXPECT_EQ(model.data(small, CatalogTreeModel::ImageIndexRole).toInt(), 1);
    EXPECT_EQ(model.data(file, CatalogTreeModel::ImageIndexRole).toInt(), 2);
    EXPECT_EQ(model.restoreLine(slash), "/");
    EXPECT_EQ(model.restoreLine(small), "/small/");
    EXPECT_EQ(model.restoreLine(file), "/small/one.txt");
    EXPECT_EQ(model.data(drive).toString(), "c:");
    EXPECT_EQ(model.restoreLine(drive), "c:\\");
    EXPECT_EQ(model.data(driveFile, CatalogTreeModel::RestoreLineRole).toString(), "c:\\x.txt");
    EXPECT_EQ(model.restoreLine(QModelIndex()), "");
}

TEST_F(CatalogTreeModelTest, ADoubleClickAddsTheNodesLineToATidiedRestoreList) {
    orvane::test::SessionFixture fixture;
    Session& session = *fixture.session;
    session.settings.RestoreList = {"/etc/", "", " ", "/srv/x"};
    const QModelIndex slash = model.index(0, 0);
    model.fetchMore(slash);

    AddNodeToRestoreList(session, model, model.index(1, 0, slash));
    EXPECT_EQ(session.settings.RestoreList, QStringList({"/etc/", "/srv/x", "/small/"}));
    EXPECT_EQ(fixture.op.restoreList, session.settings.RestoreList);
    AddNodeToRestoreList(session, model, QModelIndex());
    EXPECT_EQ(session.settings.RestoreList.size(), 3) << "no selection adds nothing";
}

TEST_F(CatalogTreeModelTest, ANewTreeResetsTheRows) {
    const QModelIndex slash = model.index(0, 0);
    model.fetchMore(slash);
    model.setTree(nullptr);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_FALSE(model.hasChildren());
}

} // namespace
