#include "help_file_dialog.h"
#include "window_fixture.h"

#include <QFile>
#include <QMenu>

using namespace orvane;

namespace {

using HelpFileTest = test::WindowFixture;

// The guide ships beside the program and names every menu the window shows.
TEST_F(HelpFileTest, TheGuideBesideTheProgramNamesEveryMenuAndItem) {
    ASSERT_TRUE(QFile::exists(THelp_File::HelpFilePath()))
        << THelp_File::HelpFilePath().toStdString();
    THelp_File help;
    const QString text = help.Text();
    Start();
    int menus = 0;
    for (QAction* menuAction : m_window->menuBar()->actions()) {
        if (!menuAction->isVisible() || !menuAction->menu())
            continue;
        ++menus;
        const QString title = menuAction->text().remove(QLatin1Char('&'));
        EXPECT_TRUE(text.contains("\n  " + title + "\n")) << title.toStdString();
        for (QAction* item : menuAction->menu()->actions()) {
            const QString name =
                item->text().remove(QLatin1Char('&')).section(QLatin1Char('\t'), 0, 0);
            if (!item->isSeparator()) {
                EXPECT_TRUE(text.contains(name, Qt::CaseInsensitive)) << name.toStdString();
            }
        }
    }
    EXPECT_EQ(menus, 6);
    for (const char* command : {"job show", "job set", "job add", "job exclude", "job remove",
                                "--job FILE", "backup", "restore", "verify"})
        EXPECT_TRUE(text.contains(command)) << command;
}

} // namespace
