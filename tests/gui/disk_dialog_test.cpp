#include "disk/disk_image_restore.h"
#include "disk/disk_images.h"
#include "disk/disk_use.h"
#include "led_display.h"
#include "partition_table_dialog.h"
#include "run_fixture.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <sys/stat.h>
#include <sys/sysmacros.h>

using namespace orvane;

namespace {

constexpr int64_t Sectors = 8192; // 4 MiB

// The whole-disk block device that holds "/", or an empty text where there is none (a root on
// an overlay or a network file system).
QString RootDiskDevice() {
    struct stat info {};
    if (::stat("/", &info) != 0)
        return {};
    QString sysfs =
        QFileInfo(
            QStringLiteral("/sys/dev/block/%1:%2").arg(major(info.st_dev)).arg(minor(info.st_dev)))
            .canonicalFilePath();
    if (sysfs.isEmpty())
        return {};
    if (QFileInfo::exists(sysfs + "/partition"))
        sysfs = QFileInfo(sysfs).absolutePath();
    const QString device = "/dev/" + QFileInfo(sysfs).fileName();
    return QFileInfo::exists(device) ? device : QString();
}

// A window with the disk dialog and three disks: disk 0 an installed machine's disk, disks 1
// and 2 blank images of the same size.
class DiskDialogTest : public test::RunFixture {
protected:
    void SetUp() override {
        RunFixture::SetUp();
        qputenv("ORVANE_DISKS", m_disks.path().toLocal8Bit());
        test::WriteSampleDisk(DiskImage(0), Sectors);
        for (int disk : {1, 2}) {
            QFile blank(DiskImage(disk));
            ASSERT_TRUE(blank.open(QIODevice::WriteOnly));
            blank.resize(Sectors * 512);
        }
        Start();
        m_window->AttachWindows({nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &m_dialog});
    }
    void TearDown() override {
        qunsetenv("ORVANE_DISKS");
        RunFixture::TearDown();
    }

    QString DiskImage(int disk) const {
        return m_disks.filePath(QStringLiteral("disk%1.img").arg(disk));
    }
    // Makes disk N the block device `device`.
    void LinkDisk(int disk, const QString& device) {
        QFile::remove(DiskImage(disk));
        ASSERT_TRUE(QFile::link(device, DiskImage(disk)));
    }

    QSpinBox* Spin() { return m_dialog.findChild<QSpinBox*>("SpinEdit1"); }
    QTableWidget* Grid() { return m_dialog.findChild<QTableWidget*>("Stringgrid1"); }
    QString Label(const char* name) { return m_dialog.findChild<QLabel*>(name)->text(); }
    void Ok() { m_dialog.findChild<QAbstractButton*>("BitBtn1")->click(); }
    void Cancel() { m_dialog.findChild<QAbstractButton*>("BitBtn2")->click(); }

    // A disk image tape of disk 0, made through the Disk button and Start Backup.
    void BackUpDisk0() {
        Click("BitBtn22");
        Ok();
        Click("BitBtn1");
        ASSERT_FALSE(m_window->Session().CancelFlag);
        OperatorBoxes::Reset();
    }

    QTemporaryDir m_disks;
    TPartition_Table m_dialog;
};

TEST_F(DiskDialogTest, TheDiskButtonShowsDisk0AndOkMakesItTheWholeBackupList) {
    Control<QCheckBox>("CheckBox2")->setChecked(true); // Append
    Control<QCheckBox>("CheckBox5")->setChecked(true); // Verify after Backup
    ASSERT_TRUE(Control("BitBtn22")->isEnabled());
    Click("BitBtn22");
    ASSERT_TRUE(m_dialog.isVisible());
    EXPECT_FALSE(m_dialog.RestoreMode());
    EXPECT_EQ(Spin()->value(), 0);
    EXPECT_EQ(Spin()->maximum(), 2);
    ASSERT_EQ(Grid()->rowCount(), 3) << "the header and the two used entries";
    EXPECT_EQ(Grid()->item(0, 0)->text(), "Partition");
    EXPECT_EQ(Grid()->item(0, 10)->text(), "SecNum");
    EXPECT_EQ(Grid()->item(1, 1)->text(), "128") << "the active FAT partition";
    EXPECT_EQ(Grid()->item(2, 5)->text(), "131") << "the Linux partition";
    EXPECT_EQ(Label("Label7"), QString::number(Sectors));
    EXPECT_EQ(Label("Label10"), "512");
    EXPECT_EQ(Label("Label11"), "4.00 (Mega Bytes)");

    Spin()->setValue(1);
    EXPECT_EQ(Grid()->rowCount(), 1) << "a blank disk has no partition";
    Cancel();
    EXPECT_FALSE(m_dialog.isVisible());
    EXPECT_EQ(MemoLines("Memo5"), (QStringList{"/home/", "/etc/"})) << "Cancel chooses nothing";

    // Every opening starts at disk 0 again, so that OK takes the disk shown.
    Click("BitBtn22");
    EXPECT_EQ(Spin()->value(), 0);
    EXPECT_EQ(Grid()->rowCount(), 3);
    Ok();
    EXPECT_FALSE(m_dialog.isVisible());
    EXPECT_EQ(m_window->Session().Settings.BackupList, QStringList{"harddisk 0"});
    EXPECT_EQ(MemoLines("Memo5"), QStringList{"harddisk 0"});
    EXPECT_FALSE(Control<QCheckBox>("CheckBox2")->isChecked());
    EXPECT_FALSE(Control<QCheckBox>("CheckBox5")->isChecked());
    EXPECT_TRUE(m_window->ListEditingLocked());
    EXPECT_TRUE(OperatorBoxes::Shown().empty());
}

TEST_F(DiskDialogTest, ADiskImageTapeIsRestoredOntoTheDiskChosenInRestoreMode) {
    BackUpDisk0();
    Click("BitBtn14"); // Load Catalog
    EXPECT_EQ(OperatorBoxes::ShownTexts(),
              QStringList{"Please select the target Disk for restoring !"});
    EXPECT_EQ(Control<QLabel>("Label11")->text(), "Source Harddisk");
    EXPECT_FALSE(Control("Edit8")->isHidden());
    const auto source = SourceDiskGeometry(m_window->Session());
    ASSERT_TRUE(source);
    EXPECT_EQ(MemoLines("Memo3"), SourceDiskLines(*source));
    ASSERT_TRUE(m_dialog.isVisible());
    EXPECT_TRUE(m_dialog.RestoreMode());
    EXPECT_EQ(Spin()->value(), 0);

    Spin()->setValue(1);
    Ok();
    EXPECT_FALSE(m_dialog.isVisible());
    EXPECT_EQ(Control<QLineEdit>("Edit8")->text(), "harddisk 1");

    OperatorBoxes::Reset();
    OperatorBoxes::SetNextAnswer(MessageAnswer::Yes);
    Click("BitBtn13"); // Start Restore
    EXPECT_EQ(OperatorBoxes::ShownTexts(),
              QStringList{"Attention : Do you will lost all old Datas on Harddisk 1 during "
                          "Restore ! Continue?"});
    EXPECT_FALSE(m_window->Session().CancelFlag);
    EXPECT_EQ(test::ReadAll(DiskImage(1)), test::ReadAll(DiskImage(0)));
    EXPECT_EQ(Control<QLineEdit>("Edit8")->text(), "harddisk 1") << "a second start repeats it";
    EXPECT_FALSE(m_window->Busy());
}

TEST_F(DiskDialogTest, CancelInRestoreModeGivesTheRestoreListBack) {
    BackUpDisk0();
    Click("BitBtn12"); // Restore to:
    ASSERT_TRUE(m_dialog.isVisible());
    EXPECT_FALSE(MemoLines("Memo3").isEmpty());
    Cancel();
    EXPECT_TRUE(MemoLines("Memo3").isEmpty());
    EXPECT_TRUE(m_window->Session().Settings.RestoreList.isEmpty());
    EXPECT_TRUE(Control("Edit8")->isHidden());
    EXPECT_TRUE(Control<QLineEdit>("Edit8")->text().isEmpty()) << "no hidden target is left";
    EXPECT_EQ(Control<QLabel>("Label11")->text(), "Restore List");
}

// The disk that holds / (and the program directory) is refused as a restore target, not as a
// backup source.
TEST_F(DiskDialogTest, TheDiskHoldingRootIsRefusedAsARestoreTargetOnly) {
    const QString root = RootDiskDevice();
    if (root.isEmpty())
        GTEST_SKIP() << "/ is not on a block device here";
    LinkDisk(1, root);
    const QString refusal = "This Disk contains the Root Directory / and can not be selected!";
    ASSERT_EQ(WriteRefusal(FindDiskUse(DiskImage(1), m_home.Path())), refusal);

    m_dialog.Open(true);
    Spin()->setValue(1);
    Ok();
    EXPECT_EQ(OperatorBoxes::ShownTexts(), QStringList{refusal});
    EXPECT_TRUE(m_dialog.isVisible()) << "the dialog stays open";
    EXPECT_TRUE(Control<QLineEdit>("Edit8")->text().isEmpty());

    OperatorBoxes::Reset();
    Click("BitBtn22");
    Spin()->setValue(1);
    Ok();
    EXPECT_TRUE(OperatorBoxes::Shown().empty());
    EXPECT_EQ(m_window->Session().Settings.BackupList, QStringList{"harddisk 1"});
}

TEST_F(DiskDialogTest, ReadMbrShowsDisk0AndKeepsTheMode) {
    m_dialog.Open(true);
    Spin()->setValue(2);
    m_dialog.hide();
    ASSERT_TRUE(Action("ReadMBR1")->isEnabled());
    Action("ReadMBR1")->trigger();
    EXPECT_TRUE(m_dialog.isVisible());
    EXPECT_TRUE(m_dialog.RestoreMode());
    EXPECT_EQ(Spin()->value(), 0);
    EXPECT_EQ(Grid()->rowCount(), 3);
}

TEST_F(DiskDialogTest, DiskCopyTestImagesDisk2OntoTape) {
    Action("Diskcopytest1")->trigger();
    EXPECT_FALSE(m_window->Session().CancelFlag);
    EXPECT_EQ(m_window->Session().CurrentTapeDescription.Label, "Disk");
    EXPECT_EQ(SourceDiskGeometry(m_window->Session())->SectorCount(), Sectors);
    EXPECT_FALSE(m_window->Busy());
}

TEST_F(DiskDialogTest, DiskWriteTestAnsweredNoWritesNothingButItsProtocolBlock) {
    Action("Diskcopytest1")->trigger();
    const QByteArray before = test::ReadAll(DiskImage(2));
    OperatorBoxes::Reset();
    OperatorBoxes::SetNextAnswer(MessageAnswer::No);
    Action("DiskWriteTest1")->trigger();
    EXPECT_EQ(test::ReadAll(DiskImage(2)), before);
    const QStringList protocol = MemoLines("Memo2");
    EXPECT_EQ(protocol.filter("Restore startet at: ").size(), 1);
    EXPECT_EQ(protocol.filter("Restore finished at: ").size(), 1);
    EXPECT_FALSE(m_window->Busy());
}

TEST_F(DiskDialogTest, TestMenuWritesOfDisk2) {
    struct Case {
        const char* Item;
        QByteArray Expected; // disk 2 afterwards
    };
    QByteArray zeroedSector0 = test::ReadAll(DiskImage(0));
    zeroedSector0.replace(0, 512, QByteArray(512, 0));
    for (const Case& c :
         {Case{"DisktoDiskcopy1", test::ReadAll(DiskImage(0))}, Case{"est1", zeroedSector0}}) {
        SCOPED_TRACE(c.Item);
        OperatorBoxes::Reset();
        OperatorBoxes::SetNextAnswer(MessageAnswer::Yes);
        ASSERT_TRUE(Action(c.Item)->isEnabled());
        Action(c.Item)->trigger();
        EXPECT_EQ(OperatorBoxes::ShownTexts(),
                  QStringList{"Attention : all old Datas on Harddisk 2 will be lost ! Continue?"});
        EXPECT_FALSE(m_window->Session().CancelFlag);
        EXPECT_TRUE(test::ReadAll(DiskImage(2)) == c.Expected);
    }
    EXPECT_EQ(m_window->Counter(5)->Value(), 1) << "one chunk copied";
}

TEST_F(DiskDialogTest, TestMenuRefusesToWriteTheDiskHoldingRoot) {
    const QString root = RootDiskDevice();
    if (root.isEmpty())
        GTEST_SKIP() << "/ is not on a block device here";
    Action("Diskcopytest1")->trigger(); // a disk image on tape, for the Disk Write Test
    LinkDisk(2, root);
    for (const char* item : {"DisktoDiskcopy1", "est1", "DiskWriteTest1"}) {
        SCOPED_TRACE(item);
        OperatorBoxes::Reset();
        OperatorBoxes::SetNextAnswer(MessageAnswer::Yes);
        Action(item)->trigger();
        EXPECT_TRUE(OperatorBoxes::ShownTexts().contains(
            "This Disk contains the Root Directory / and can not be selected!"))
            << OperatorBoxes::ShownTexts().join('|').toStdString();
        EXPECT_TRUE(m_window->Session().CancelFlag);
    }
}

} // namespace
