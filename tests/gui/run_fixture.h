#pragma once

#include "jobs/catalog_tree_model.h"
#include "window_fixture.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTreeView>

namespace orvane::test {

// A window with a small tree of files to back up (in the program directory's "source/"), and
// the steps that the run tests share.
class RunFixture : public WindowFixture {
protected:
    // Writes the files (name → content) below "source/" and answers the directory's list line.
    QString MakeSource(const std::vector<std::pair<QString, QByteArray>>& files) {
        for (const auto& [name, content] : files) {
            const QString path = SourceDir() + name;
            QDir().mkpath(QFileInfo(path).absolutePath());
            QFile file(path);
            EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
            file.write(content);
        }
        return SourceDir();
    }
    QString SourceDir() const { return m_home.File(QStringLiteral("source/")); }

    // The three files most tests back up.
    QString MakeSmallTree() {
        return MakeSource({{"a.txt", "alpha\n"},
                           {"b.bin", QByteArray(70000, 'b')},
                           {"sub/c.txt", "gamma gamma\n"}});
    }

    // Puts the lines into the backup list as the operator types them, and starts the backup.
    void BackUp(const QStringList& lines) {
        Control<QPlainTextEdit>("Memo5")->setPlainText(lines.join('\n'));
        Click("BitBtn1");
    }

    void Click(const QString& button) { Control<QAbstractButton>(button)->click(); }

    QTreeView* Tree() const { return Control<QTreeView>("TreeView1"); }
    CatalogTreeModel& Model() const { return *m_window->CatalogModel(); }

    // The tree's index of a full path ("/" is the root), fetching rows as the view would.
    QModelIndex NodeOf(const QString& path) const {
        QModelIndex at;
        QStringList names = path.split('/', Qt::SkipEmptyParts);
        names.prepend("/");
        for (const QString& name : names) {
            while (Model().canFetchMore(at))
                Model().fetchMore(at);
            QModelIndex found;
            for (int row = 0; row < Model().rowCount(at); ++row) {
                const QModelIndex child = Model().index(row, 0, at);
                if (child.data().toString() == name)
                    found = child;
            }
            if (!found.isValid())
                return {};
            at = found;
        }
        return at;
    }

    // Every file the tree shows below a node, fetching as it goes.
    int FilesBelow(const QModelIndex& parent) const {
        while (Model().canFetchMore(parent))
            Model().fetchMore(parent);
        int files = 0;
        for (int row = 0; row < Model().rowCount(parent); ++row) {
            const QModelIndex child = Model().index(row, 0, parent);
            if (child.data(CatalogTreeModel::ImageIndexRole).toInt() == 2)
                ++files;
            else
                files += FilesBelow(child);
        }
        return files;
    }

    bool MemoHas(const QString& memo, const QString& line) const {
        return MemoLines(memo).contains(line);
    }
};

} // namespace orvane::test
