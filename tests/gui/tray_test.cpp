#include "window_fixture.h"

#include <QCoreApplication>
#include <QSystemTrayIcon>

using namespace orvane;

namespace {

using TrayTest = test::WindowFixture;

TEST_F(TrayTest, WithoutANotificationAreaMinimisingKeepsTheWindow) {
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable()) << "the offscreen platform has none";
    Start();
    m_window->show();
    m_window->showMinimized();
    QCoreApplication::processEvents();
    EXPECT_FALSE(m_window->isHidden());
    EXPECT_EQ(m_window->TrayIcon(), nullptr);
}

TEST_F(TrayTest, OnlyALeftClickOnTheIconBringsTheWindowBack) {
    Start();
    m_window->show();
    m_window->ApplicationEvents1Minimize();
    EXPECT_TRUE(m_window->isHidden());
    QSystemTrayIcon* icon = m_window->TrayIcon();
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->toolTip(), "Orvane 2005");
    EXPECT_FALSE(icon->icon().isNull());

    for (auto reason :
         {QSystemTrayIcon::Context, QSystemTrayIcon::DoubleClick, QSystemTrayIcon::MiddleClick}) {
        emit icon->activated(reason);
        EXPECT_TRUE(m_window->isHidden()) << reason;
        EXPECT_EQ(m_window->TrayIcon(), icon);
    }

    emit icon->activated(QSystemTrayIcon::Trigger);
    EXPECT_FALSE(m_window->isHidden());
    EXPECT_FALSE(m_window->isMinimized());
    EXPECT_EQ(m_window->TrayIcon(), nullptr) << "the icon is removed";
}

} // namespace
