#include "main_window_tabs.h"
#include "window_fixture.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

using namespace orvane;

namespace {

using SettingsBindingTest = test::WindowFixture;

TEST_F(SettingsBindingTest, CheckBoxesShowTheirInitialValueAndEditTheirSetting) {
    const struct {
        const char* Name;
        bool Settings::*Field;
        bool Initial;
    } cases[] = {
        {"CheckBox1", &Settings::ShortProtocol, true},
        {"CheckBox2", &Settings::Append, false},
        {"CheckBox3", &Settings::AutostartBackup, true},
        {"CheckBox4", &Settings::SoftCompression, true},
        {"CheckBox5", &Settings::VerifyAfterBackup, false},
        {"CheckBox6", &Settings::EjectAfterBackup, false},
        {"CheckBox7", &Settings::ExitAfterBackup, false},
        {"CheckBox8", &Settings::MailAfterBackup, false},
        {"CheckBox9", &Settings::BackupAtStart, false},
    };
    Start();
    Settings& settings = m_window->Session().Settings;
    for (const auto& c : cases) {
        auto* box = Control<QCheckBox>(c.Name);
        EXPECT_EQ(box->isChecked(), c.Initial) << c.Name;
        box->click();
        EXPECT_EQ(settings.*c.Field, !c.Initial) << c.Name;
    }
}

TEST_F(SettingsBindingTest, SpinEditsHaveTheirRangesAndEditTheirSetting) {
    const struct {
        const char* Name;
        int Settings::*Field;
        int Initial, Minimum, Maximum;
    } cases[] = {
        {"SpinEdit1", &Settings::AutostartHour, 21, 0, 23},
        {"SpinEdit2", &Settings::AutostartMinute, 30, 0, 59},
        {"SpinEdit3", &Settings::CompressionLevel, 9, 1, 9},
    };
    Start();
    for (const auto& c : cases) {
        auto* spin = Control<QSpinBox>(c.Name);
        EXPECT_EQ(spin->value(), c.Initial) << c.Name;
        EXPECT_EQ(spin->minimum(), c.Minimum) << c.Name;
        EXPECT_EQ(spin->maximum(), c.Maximum) << c.Name;
        spin->setValue(c.Minimum + 1);
        EXPECT_EQ(m_window->Session().Settings.*c.Field, c.Minimum + 1) << c.Name;
    }
}

TEST_F(SettingsBindingTest, EditsShowTheirInitialTextAndEditTheirSetting) {
    const struct {
        const char* Name;
        QString Settings::*Field;
        const char* Initial;
    } cases[] = {
        {"Edit1", &Settings::RestoreTarget, "/tmp/"},
        {"Edit2", &Settings::ProxyPort, "0"},
        {"Edit3", &Settings::ProxyServer, ""},
        {"Edit4", &Settings::CommandBefore, ""},
        {"Edit5", &Settings::CommandBeforeWait, "0"},
        {"Edit6", &Settings::CommandAfter, ""},
        {"Edit7", &Settings::CommandAfterWait, "0"},
        {"efrom", &Settings::MailFrom, ""},
        {"eTo", &Settings::MailTo, ""},
        {"eSubject", &Settings::MailSubject, ""},
        {"eHost", &Settings::MailHost, ""},
        {"eUserid", &Settings::MailUserId, ""},
        {"ePassword", &Settings::MailPassword, ""},
    };
    Start();
    for (const auto& c : cases) {
        auto* edit = Control<QLineEdit>(c.Name);
        EXPECT_EQ(edit->text(), c.Initial) << c.Name;
        QTest::keyClicks(edit, "x7");
        EXPECT_EQ(m_window->Session().Settings.*c.Field, QString(c.Initial) + "x7") << c.Name;
    }
    EXPECT_EQ(Control<QLineEdit>("ePassword")->echoMode(), QLineEdit::Password);
}

TEST_F(SettingsBindingTest, ListsAndRestoreOptionsEditTheirSetting) {
    Start();
    Settings& settings = m_window->Session().Settings;
    Control<QPlainTextEdit>("Memo5")->setPlainText("/home/\n/etc/\n");
    Control<QPlainTextEdit>("Memo1")->setPlainText("/home/cache/");
    Control<QPlainTextEdit>("Memo3")->setPlainText("/etc/fstab");
    EXPECT_EQ(settings.BackupList, (QStringList{"/home/", "/etc/"}));
    EXPECT_EQ(settings.ExcludeList, QStringList{"/home/cache/"});
    EXPECT_EQ(settings.RestoreList, QStringList{"/etc/fstab"});

    EXPECT_TRUE(Control<QRadioButton>("RadioGroup1Item0")->isChecked());
    EXPECT_EQ(Control<QRadioButton>("RadioGroup1Item0")->text(), "Restore with asking");
    EXPECT_EQ(Control<QRadioButton>("RadioGroup1Item1")->text(), "Overwrite never");
    EXPECT_EQ(Control<QRadioButton>("RadioGroup1Item2")->text(), "Overwrite ever");
    Control<QRadioButton>("RadioGroup1Item2")->click();
    EXPECT_EQ(settings.RestoreOption, 2);
}

TEST_F(SettingsBindingTest, ShowSettingsBringsChangedSettingsIntoTheControls) {
    Start();
    Settings& settings = m_window->Session().Settings;
    settings.AutostartHour = 7;
    settings.AutostartMinute = 5;
    settings.BackupList = {"/srv/", "/var/mail/"};
    settings.RestoreOption = 1;
    settings.MailAfterBackup = true;
    m_window->ShowSettings();
    EXPECT_EQ(Control<QSpinBox>("SpinEdit1")->value(), 7);
    EXPECT_EQ(Control<QLabel>("Label1")->text(), "7:5");
    EXPECT_EQ(MemoLines("Memo5"), (QStringList{"/srv/", "/var/mail/"}));
    EXPECT_TRUE(Control<QRadioButton>("RadioGroup1Item1")->isChecked());
    EXPECT_TRUE(Control<QCheckBox>("CheckBox8")->isChecked());
    EXPECT_EQ(settings.BackupList, (QStringList{"/srv/", "/var/mail/"}))
        << "showing writes nothing";
}

TEST_F(SettingsBindingTest, TheTimeLabelFollowsTheSpinEdits) {
    Start();
    EXPECT_EQ(Control<QLabel>("Label1")->text(), "21:30");
    Control<QSpinBox>("SpinEdit2")->setValue(5);
    EXPECT_EQ(Control<QLabel>("Label1")->text(), "21:5");
}

TEST_F(SettingsBindingTest, TheEmailTabIsShownOnlyWhileMailingIsChecked) {
    Start();
    auto* pages = Control<QTabWidget>("PageControl1");
    const int email = pages->indexOf(Control("TabSheet8"));
    EXPECT_EQ(email, tab::Email);
    EXPECT_FALSE(pages->isTabVisible(email));
    Control<QCheckBox>("CheckBox8")->click();
    EXPECT_TRUE(pages->isTabVisible(email));
    Control<QCheckBox>("CheckBox8")->click();
    EXPECT_FALSE(pages->isTabVisible(email));
}

TEST_F(SettingsBindingTest, SoftcompressionOptionsAreShownOnlyWhileSoftcompressionIsChecked) {
    Start();
    EXPECT_FALSE(Control("GroupBox1")->isHidden());
    Control<QCheckBox>("CheckBox4")->click();
    EXPECT_TRUE(Control("GroupBox1")->isHidden());
}

TEST_F(SettingsBindingTest, TheOptionsTabNamesTheJobFileInRed) {
    Start();
    auto* label = Control<QLabel>("Label19");
    EXPECT_EQ(label->text(), "Options from : " + m_home.File("jobs.job"));
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(Qt::red));
}

TEST_F(SettingsBindingTest, EmailClearEmptiesTheFieldsAndSetsTheSubject) {
    Start();
    for (const char* name : {"efrom", "eTo", "eHost", "eUserid", "ePassword", "eSubject"})
        Control<QLineEdit>(name)->setText("something");
    Control<QPlainTextEdit>("reMessageText")->setPlainText("old report");
    Control<QAbstractButton>("BitBtn20")->click();
    const Settings& settings = m_window->Session().Settings;
    EXPECT_EQ(settings.MailFrom, "");
    EXPECT_EQ(settings.MailPassword, "");
    EXPECT_EQ(settings.MailSubject, "Orvane Backup Report");
    EXPECT_TRUE(MemoLines("reMessageText").isEmpty());
}

TEST_F(SettingsBindingTest, ClearEmptiesTheBackupListAndUnlocksIt) {
    Start();
    Control<QPlainTextEdit>("Memo5")->setPlainText("harddisk 0");
    m_window->Op().SetListEditingLocked(true);
    Control<QTabWidget>("PageControl1")->setCurrentIndex(tab::Options);
    Control<QAbstractButton>("BitBtn2")->click();
    EXPECT_TRUE(m_window->Session().Settings.BackupList.isEmpty());
    EXPECT_TRUE(MemoLines("Memo5").isEmpty());
    EXPECT_FALSE(m_window->ListEditingLocked());
    EXPECT_TRUE(Control("Memo5")->isEnabled());
    EXPECT_EQ(Control<QTabWidget>("PageControl1")->currentIndex(), tab::Backup);

    Control<QPlainTextEdit>("Memo1")->setPlainText("/tmp/");
    Control<QAbstractButton>("BitBtn16")->click();
    EXPECT_TRUE(m_window->Session().Settings.ExcludeList.isEmpty());
    EXPECT_TRUE(MemoLines("Memo1").isEmpty());
}

TEST_F(SettingsBindingTest, Edit8TakesThePlaceOfTheRestoreTargetHidden) {
    Start();
    QWidget* edit1 = Control("Edit1");
    QWidget* edit8 = Control("Edit8");
    EXPECT_TRUE(edit8->isHidden());
    m_window->resize(900, 650);
    m_window->show();
    edit8->show();
    QCoreApplication::processEvents();
    EXPECT_EQ(edit8->geometry(), edit1->geometry());
}

} // namespace
