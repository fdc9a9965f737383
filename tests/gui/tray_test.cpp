#include "window_fixture.h"

#include <QCoreApplication>
#include <QSystemTrayIcon>

using namespace orvane;

namespace {

using TrayTest = test::WindowFixture;

TEST_F(TrayTest, WithoutANotificationAreaMinimisingKeepsTheWindow) {
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable()) << "the offscreen platform has none";
    start();
    window->show();
    window->showMinimized();
    QCoreApplication::processEvents();
    EXPECT_FALSE(window->isHidden());
    EXPECT_EQ(window->trayIcon(), nullptr);
}

TEST_F(TrayTest, OnlyALeftClickOnTheIconBringsTheWindowBack) {
    start();
    window->show();
    window->ApplicationEvents1Minimize();
    EXPECT_TRUE(window->isHidden());
    QSystemTrayIcon* icon = window->trayIcon();
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->toolTip(), "Orvane 2005");
    EXPECT_FALSE(icon->icon().isNull());

    for (auto reason :
         {QSystemTrayIcon::Context, QSystemTrayIcon::DoubleClick, QSystemTrayIcon::MiddleClick}) {
        emit icon->activated(reason);
        EXPECT_TRUE(window->isHidden()) << reason;
        EXPECT_EQ(window->trayIcon(), icon);
    }

    emit icon->activated(QSystemTrayIcon::Trigger);
    EXPECT_FALSE(window->isHidden());
    EXPECT_FALSE(window->isMinimized());
    EXPECT_EQ(window->trayIcon(), nullptr) << "the icon is removed";
}

} // namespace
