#include "run_fixture.h"
#include "run_progress_panel.h"

#include <QCheckBox>
#include <QProgressBar>
#include <QRegularExpression>
#include <QTimer>

using namespace orvane;

namespace {

class RunProgressPanelTest : public test::RunFixture {
protected:
    void SetUp() override {
        RunFixture::SetUp();
        ASSERT_TRUE(m_library->CreateCartridge("big", qint64(3) << 30, 1, false).isEmpty());
        ASSERT_TRUE(m_library->Insert("big").isEmpty());
    }

    RunProgressPanel* Panel() const {
        return m_window->findChild<RunProgressPanel*>("RunProgress");
    }
};

// A 2 GiB backup lasts long enough for the panel to show the bar, the total found ahead, the
// rate and the time left. With $ORVANE_SCREENSHOT set the window is saved there as it shows them.
TEST_F(RunProgressPanelTest, ABackupShowsTheBarWithTheTimeLeftAndEndsWithItsFigures) {
    Start();
    QFile image(MakeSource({{"disk.img", {}}}) + "disk.img");
    ASSERT_TRUE(image.resize(qint64(2) << 30));
    Control<QCheckBox>("CheckBox4")->setChecked(false); // no soft compression
    ASSERT_NE(Panel(), nullptr);

    QString seenDuringRun;
    int permille = -1;
    bool barShown = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const QString text = Panel()->Text();
        if (!seenDuringRun.isEmpty() || !text.contains(" left") || Panel()->Permille() < 300)
            return;
        seenDuringRun = text;
        permille = Panel()->Permille();
        barShown = Panel()->BarShown();
        if (const QByteArray file = qgetenv("ORVANE_SCREENSHOT"); !file.isEmpty())
            m_window->grab().save(QString::fromLocal8Bit(file));
    });
    watch.start(50);
    BackUp({SourceDir()});

    EXPECT_TRUE(seenDuringRun.contains(
        QRegularExpression("^\\d\\.\\d of 2\\.0 GiB · \\d+(\\.\\d)? MB/s · \\d+:\\d\\d left$")))
        << seenDuringRun.toStdString();
    EXPECT_TRUE(barShown);
    EXPECT_GE(permille, 300);
    EXPECT_LT(permille, 1000);
    EXPECT_FALSE(Panel()->BarShown()) << "the bar goes when the run ends";
    EXPECT_TRUE(Panel()->Text().startsWith("2.0 of 2.0 GiB · ")) << Panel()->Text().toStdString();
    EXPECT_TRUE(Panel()->Text().endsWith(" elapsed"));
}

} // namespace
