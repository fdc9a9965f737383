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
    QString makeSource(const std::vector<std::pair<QString, QByteArray>>& files) {
        for (const auto& [name, content] : files) {
            const QString path = sourceDir() + name;
            QDir().mkpath(QFileInfo(path).absolutePath());
            QFile file(path);
            EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
            file.write(content);
        }
        return sourceDir();
    }
    QString sourceDir() const { return home.file(QStringLiteral("source/")); }

    // The three files most tests back up.
    QString makeSmallTree() {
        return makeSource({{"a.txt", "alpha\n"},
                           {"b.bin", QByteArray(70000, 'b')},
                           {"sub/c.txt", "gamma gamma\n"}});
    }

    // Puts the lines into the backup list as the operator types them, and starts the backup.
    void backUp(const QStringList& lines) {
        control<QPlainTextEdit>("Memo5")->setPlainText(lines.join('\n'));
        click("BitBtn1");
    }

    void click(const QString& button) { control<QAbstractButton>(button)->click(); }

    QTreeView* tree() const { return control<QTreeView>("TreeView1"); }
    CatalogTreeModel& model() const { return *window->catalogModel(); }

    // The tree's index of a full path ("/" is the root), fetching rows as the view would.
    QModelIndex nodeOf(const QString& path) const {
        QModelIndex at;
        QStringList names = path.split('/', Qt::SkipEmptyParts);
        names.prepend("/");
        for (const QString& name : names) {
            while (model().canFetchMore(at))
                model().fetchMore(at);
            QModelIndex found;
            for (int row = 0; row < model().rowCount(at); ++row) {
                const QModelIndex child = model().index(row, 0, at);
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
    int filesBelow(const QModelIndex& parent) const {
        while (model().canFetchMore(parent))
            model().fetchMore(parent);
        int files = 0;
        for (int row = 0; row < model().rowCount(parent); ++row) {
            const QModelIndex child = model().index(row, 0, parent);
            if (child.data(CatalogTreeModel::ImageIndexRole).toInt() == 2)
                ++files;
            else
                files += filesBelow(child);
        }
        return files;
    }

    bool memoHas(const QString& memo, const QString& line) const {
        return memoLines(memo).contains(line);
    }
};

} // namespace orvane::test
