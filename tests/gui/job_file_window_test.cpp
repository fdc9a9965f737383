#include "file_select_dialog.h"
#include "main_window_tabs.h"
#include "window_fixture.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTest>

using namespace orvane;

namespace {

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

class JobFileWindowTest : public test::WindowFixture {
protected:
    QString JobFile() const { return m_home.File("jobs.job"); }
    void Click(const QString& button) { Control<QAbstractButton>(button)->click(); }
};

TEST_F(JobFileWindowTest, ASettingChangedInTheWindowIsThereAtTheNextStart) {
    Start();
    // The first start writes the new-file values, readable by the owner only.
    ASSERT_TRUE(QFile::exists(JobFile()));
    EXPECT_EQ(QFile::permissions(JobFile()) & 0x0777, QFile::ReadUser | QFile::WriteUser);
    EXPECT_EQ(MemoLines("Memo5"), (QStringList{"/home/", "/etc/"}));

    Control<QSpinBox>("SpinEdit2")->setValue(5);
    Control<QCheckBox>("CheckBox5")->click(); // "Verify after Backup"
    QLineEdit* command = Control<QLineEdit>("Edit4");
    command->setFocus();
    QTest::keyClicks(command, "/usr/bin/true");
    m_window.reset();

    const QByteArray text = ReadFile(JobFile());
    EXPECT_TRUE(text.contains("Minute=5\r\n")) << text.toStdString();
    EXPECT_EQ(text.count('\n'), text.count("\r\n"));
    const QByteArrayList sections = {"[Backup_files]",     "[Backup_Time]",   "[Backup_Day]",
                                     "[Options]",          "[Compressions]",  "[Proxy Settings]",
                                     "[Restore Settings]", "[Email Settings]"};
    qsizetype last = -1;
    for (const QByteArray& section : sections) {
        const qsizetype at = text.indexOf(section);
        EXPECT_GT(at, last) << section.toStdString();
        last = at;
    }
    EXPECT_EQ(QFile::permissions(JobFile()) & 0x0777, QFile::ReadUser | QFile::WriteUser);

    Start();
    EXPECT_EQ(Control<QSpinBox>("SpinEdit2")->value(), 5);
    EXPECT_TRUE(Control<QCheckBox>("CheckBox5")->isChecked());
    EXPECT_EQ(Control<QLineEdit>("Edit4")->text(), "/usr/bin/true");
    EXPECT_EQ(Control<QLabel>("Label1")->text(), "21:5");
}

TEST_F(JobFileWindowTest, SaveWritesTheListsAndLoadBringsThemBack) {
    Start();
    OperatorBoxes::SetScripted(true);
    Control<QPlainTextEdit>("Memo5")->setPlainText("/srv/Data/\n \n/opt/");
    Control<QPlainTextEdit>("Memo1")->setPlainText("/srv/Data/tmp/");
    const QString other = m_home.File("other.job");
    OperatorBoxes::SetNextChoice({other});
    Action("Save1")->trigger();
    const QByteArray text = ReadFile(other);
    EXPECT_TRUE(text.startsWith("[Backup_files]\r\nPath0=/srv/Data/\r\nPath1=/opt/\r\n"
                                "[Excluded_files]\r\nPath0=/srv/Data/tmp/\r\n"))
        << text.toStdString();
    EXPECT_TRUE(Control<QLabel>("Label19")->text().endsWith("other.job"));

    // A change now goes into the saved file, not into jobs.job.
    Control<QSpinBox>("SpinEdit1")->setValue(3);
    EXPECT_TRUE(ReadFile(other).contains("Hour=3\r\n"));
    EXPECT_FALSE(ReadFile(JobFile()).contains("Hour=3\r\n"));

    Control<QPlainTextEdit>("Memo5")->clear();
    OperatorBoxes::SetNextChoice({JobFile()});
    Click("BitBtn10");
    EXPECT_EQ(MemoLines("Memo5"), (QStringList{"/home/", "/etc/"}));
    EXPECT_EQ(Control<QSpinBox>("SpinEdit1")->value(), 21);
    OperatorBoxes::SetNextChoice({other});
    Click("BitBtn6");
    EXPECT_EQ(MemoLines("Memo5"), (QStringList{"/srv/Data/", "/opt/"}));
    EXPECT_EQ(MemoLines("Memo1"), QStringList{"/srv/Data/tmp/"});
    EXPECT_EQ(Control<QSpinBox>("SpinEdit1")->value(), 3);
}

TEST_F(JobFileWindowTest, AnUnwritableJobFileIsSaidOnceAndABrokenOneLoadsWhatItCan) {
    QFile broken(JobFile());
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write(
        "[Backup_Time\r\nMinute=7\r\n\x01\x02\xff\xfe junk\r\n[Backup_Time]\r\nHour=4\r\n" +
        QByteArray(100000, 'x') + "\r\n[Backup_files]\r\nPath0=/srv/\r\n");
    broken.close();
    Start();
    EXPECT_EQ(Control<QSpinBox>("SpinEdit1")->value(), 4);
    EXPECT_EQ(MemoLines("Memo5"), QStringList{"/srv/"});

    // A directory that has gone away: no write can succeed there, not even as root.
    m_window->Session().JobFilePath = m_home.File("gone/jobs.job");
    for (int minute : {1, 2, 3})
        Control<QSpinBox>("SpinEdit2")->setValue(minute);
    const QStringList protocol = MemoLines("Memo2");
    EXPECT_EQ(protocol.filter("Cannot write the job file").size(), 1)
        << protocol.join('\n').toStdString();
    EXPECT_TRUE(m_window->StatusText().startsWith("Cannot write the job file"));
}

TEST_F(JobFileWindowTest, TheChooserGivesFolderLinesInItsThreeModes) {
    Start();
    TFile_Select chooser;
    m_window->AttachWindows({nullptr, nullptr, &chooser, nullptr, nullptr, nullptr, nullptr});
    EXPECT_EQ(TFile_Select::FolderLine("/"), "/");
    EXPECT_EQ(TFile_Select::FolderLine("/srv/data"), "/srv/data/");

    Click("BitBtn3");
    EXPECT_TRUE(chooser.findChild<QAbstractButton*>("BitBtn1")->isVisibleTo(&chooser));
    EXPECT_FALSE(chooser.findChild<QAbstractButton*>("BitBtn3")->isVisibleTo(&chooser));
    const QString folder = m_home.Path().chopped(1);
    chooser.SelectFolder(folder);
    EXPECT_EQ(chooser.ChosenPath(), folder + "/");
    chooser.findChild<QAbstractButton*>("BitBtn1")->click();
    chooser.findChild<QAbstractButton*>("BitBtn1")->click();
    EXPECT_TRUE(chooser.isVisible()) << "the list mode stays open";
    EXPECT_EQ(MemoLines("Memo5"), (QStringList{"/home/", "/etc/", folder + "/", folder + "/"}));

    Click("BitBtn4");
    EXPECT_FALSE(chooser.findChild<QAbstractButton*>("BitBtn1")->isVisibleTo(&chooser));
    chooser.SelectFolder("/");
    EXPECT_EQ(chooser.ChosenPath(), "/");
    chooser.findChild<QAbstractButton*>("BitBtn3")->click();
    EXPECT_EQ(MemoLines("Memo1"), QStringList{"/"});

    Click("BitBtn12"); // "Restore to:"
    EXPECT_EQ(Control<QTabWidget>("PageControl1")->currentIndex(), tab::Restore);
    EXPECT_TRUE(chooser.findChild<QAbstractButton*>("BitBtn1")->isVisibleTo(&chooser));
    EXPECT_FALSE(chooser.findChild<QAbstractButton*>("BitBtn3")->isVisibleTo(&chooser));
    chooser.SelectFolder(folder);
    chooser.findChild<QAbstractButton*>("BitBtn1")->click();
    EXPECT_FALSE(chooser.isVisible()) << "the restore target closes the chooser";
    EXPECT_EQ(Control<QLineEdit>("Edit1")->text(), folder + "/");
    EXPECT_TRUE(QFile(JobFile()).open(QIODevice::ReadOnly));
    EXPECT_TRUE(ReadFile(JobFile()).contains(("Restore Path=" + folder + "/\r\n").toUtf8()));
}

} // namespace
