#pragma once

#include "jobs/session.h"
#include "main_window.h"
#include "operator_boxes.h"
#include "platform/virtual_tape_library.h"
#include "support/temp_home.h"

#include <QAction>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

namespace orvane::test {

// A main window on a fresh program directory whose drive is a virtual library with one small
// loaded cartridge. The start-up timers do not run by themselves: a test calls Timer2Timer.
class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override {
        OperatorBoxes::reset();
        library = VirtualTapeLibrary::at(home.libraryDir());
        ASSERT_TRUE(
            library->createCartridge(QStringLiteral("t1"), 32768 * 1000, 1, false).isEmpty());
        ASSERT_TRUE(library->insert(QStringLiteral("t1")).isEmpty());
    }

    void TearDown() override { OperatorBoxes::reset(); }

    StartOptions options() const {
        StartOptions start;
        start.home = home.path();
        start.tapeChoice = home.tapeChoice();
        start.runTimers = false;
        return start;
    }

    // Creates the window; `idle` also runs the delayed start-up.
    THauptmenu& start(bool idle = true) {
        window = std::make_unique<THauptmenu>(options());
        if (idle)
            window->Timer2Timer();
        return *window;
    }

    // A control of the main window itself (not of another window) by its name.
    template <class T = QWidget> T* control(const QString& name) const {
        T* found = window->centralWidget()->findChild<T*>(name);
        if (!found)
            found = window->findChild<T*>(name, Qt::FindDirectChildrenOnly);
        if (!found && window->statusBar()->objectName() == name)
            found = qobject_cast<T*>(window->statusBar());
        EXPECT_TRUE(found) << name.toStdString();
        return found;
    }

    // A menu item by its name.
    QAction* action(const QString& name) const {
        QAction* found = window->findChild<QAction*>(name, Qt::FindDirectChildrenOnly);
        EXPECT_TRUE(found) << name.toStdString();
        return found;
    }

    QStringList memoLines(const QString& name) const {
        const QString text = control<QPlainTextEdit>(name)->toPlainText();
        return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
    }

    TempHome home;
    std::shared_ptr<VirtualTapeLibrary> library;
    std::unique_ptr<THauptmenu> window;
};

} // namespace orvane::test
