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
        OperatorBoxes::Reset();
        m_library = VirtualTapeLibrary::At(m_home.LibraryDir());
        ASSERT_TRUE(
            m_library->CreateCartridge(QStringLiteral("t1"), 32768 * 1000, 1, false).isEmpty());
        ASSERT_TRUE(m_library->Insert(QStringLiteral("t1")).isEmpty());
    }

    void TearDown() override { OperatorBoxes::Reset(); }

    StartOptions Options() const {
        StartOptions start;
        start.Home = m_home.Path();
        start.TapeChoice = m_home.TapeChoice();
        start.RunTimers = false;
        return start;
    }

    // Creates the window; `idle` also runs the delayed start-up.
    THauptmenu& Start(bool idle = true) {
        m_window = std::make_unique<THauptmenu>(Options());
        if (idle)
            m_window->Timer2Timer();
        return *m_window;
    }

    // A control of the main window itself (not of another window) by its name.
    template <class T = QWidget> T* Control(const QString& name) const {
        T* found = m_window->centralWidget()->findChild<T*>(name);
        if (!found)
            found = m_window->findChild<T*>(name, Qt::FindDirectChildrenOnly);
        if (!found && m_window->statusBar()->objectName() == name)
            found = qobject_cast<T*>(m_window->statusBar());
        EXPECT_TRUE(found) << name.toStdString();
        return found;
    }

    // A menu item by its name.
    QAction* Action(const QString& name) const {
        QAction* found = m_window->findChild<QAction*>(name, Qt::FindDirectChildrenOnly);
        EXPECT_TRUE(found) << name.toStdString();
        return found;
    }

    QStringList MemoLines(const QString& name) const {
        const QString text = Control<QPlainTextEdit>(name)->toPlainText();
        return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
    }

    TempHome m_home;
    std::shared_ptr<VirtualTapeLibrary> m_library;
    std::unique_ptr<THauptmenu> m_window;
};

} // namespace orvane::test
