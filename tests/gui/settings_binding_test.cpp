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
        const char* name;
        bool Settings::*field;
        bool initial;
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
    start();
    Settings& settings = window->session().settings;
    for (const auto& c : cases) {
        auto* box = control<QCheckBox>(c.name);
        EXPECT_EQ(box->isChecked(), c.initial) << c.name;
        box->click();
        EXPECT_EQ(settings.*c.field, !c.initial) << c.name;
    }
}

TEST_F(SettingsBindingTest, SpinEditsHaveTheirRangesAndEditTheirSetting) {
    const struct {
        const char* name;
        int Settings::*field;
        int initial, minimum, maximum;
    } cases[] = {
        {"SpinEdit1", &Settings::AutostartHour, 21, 0, 23},
        {"SpinEdit2", &Settings::AutostartMinute, 30, 0, 59},
        {"SpinEdit3", &Settings::CompressionLevel, 9, 1, 9},
    };
    start();
    for (const auto& c : cases) {
        auto* spin = control<QSpinBox>(c.name);
        EXPECT_EQ(spin->value(), c.initial) << c.name;
        EXPECT_EQ(spin->minimum(), c.minimum) << c.name;
        EXPECT_EQ(spin->maximum(), c.maximum) << c.name;
        spin->setValue(c.minimum + 1);
        EXPECT_EQ(window->session().settings.*c.field, c.minimum + 1) << c.name;
    }
}

TEST_F(SettingsBindingTest, EditsShowTheirInitialTextAndEditTheirSetting) {
    const struct {
        const char* name;
        QString Settings::*field;
        const char* initial;
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
    start();
    for (const auto& c : cases) {
        auto* edit = control<QLineEdit>(c.name);
        EXPECT_EQ(edit->text(), c.initial) << c.name;
        QTest::keyClicks(edit, "x7");
        EXPECT_EQ(window->session().settings.*c.field, QString(c.initial) + "x7") << c.name;
    }
    EXPECT_EQ(control<QLineEdit>("ePassword")->echoMode(), QLineEdit::Password);
}

TEST_F(SettingsBindingTest, ListsAndRestoreOptionsEditTheirSetting) {
    start();
    Settings& settings = window->session().settings;
    control<QPlainTextEdit>("Memo5")->setPlainText("/home/\n/etc/\n");
    control<QPlainTextEdit>("Memo1")->setPlainText("/home/cache/");
    control<QPlainTextEdit>("Memo3")->setPlainText("/etc/fstab");
    EXPECT_EQ(settings.BackupList, (QStringList{"/home/", "/etc/"}));
    EXPECT_EQ(settings.ExcludeList, QStringList{"/home/cache/"});
    EXPECT_EQ(settings.RestoreList, QStringList{"/etc/fstab"});

    EXPECT_TRUE(control<QRadioButton>("RadioGroup1Item0")->isChecked());
    EXPECT_EQ(control<QRadioButton>("RadioGroup1Item0")->text(), "Restore with asking");
    EXPECT_EQ(control<QRadioButton>("RadioGroup1Item1")->text(), "Overwrite never");
    EXPECT_EQ(control<QRadioButton>("RadioGroup1Item2")->text(), "Overwrite ever");
    control<QRadioButton>("RadioGroup1Item2")->click();
    EXPECT_EQ(settings.RestoreOption, 2);
}

TEST_F(SettingsBindingTest, ShowSettingsBringsChangedSettingsIntoTheControls) {
    start();
    Settings& settings = window->session().settings;
    settings.AutostartHour = 7;
    settings.AutostartMinute = 5;
    settings.BackupList = {"/srv/", "/var/mail/"};
    settings.RestoreOption = 1;
    settings.MailAfterBackup = true;
    window->showSettings();
    EXPECT_EQ(control<QSpinBox>("SpinEdit1")->value(), 7);
    EXPECT_EQ(control<QLabel>("Label1")->text(), "7:5");
    EXPECT_EQ(memoLines("Memo5"), (QStringList{"/srv/", "/var/mail/"}));
    EXPECT_TRUE(control<QRadioButton>("RadioGroup1Item1")->isChecked());
    EXPECT_TRUE(control<QCheckBox>("CheckBox8")->isChecked());
    EXPECT_EQ(settings.BackupList, (QStringList{"/srv/", "/var/mail/"}))
        << "showing writes nothing";
}

TEST_F(SettingsBindingTest, TheTimeLabelFollowsTheSpinEdits) {
    start();
    EXPECT_EQ(control<QLabel>("Label1")->text(), "21:30");
    control<QSpinBox>("SpinEdit2")->setValue(5);
    EXPECT_EQ(control<QLabel>("Label1")->text(), "21:5");
}

TEST_F(SettingsBindingTest, TheEmailTabIsShownOnlyWhileMailingIsChecked) {
    start();
    auto* pages = control<QTabWidget>("PageControl1");
    const int email = pages->indexOf(control("TabSheet8"));
    EXPECT_EQ(email, tab::Email);
    EXPECT_FALSE(pages->isTabVisible(email));
    control<QCheckBox>("CheckBox8")->click();
    EXPECT_TRUE(pages->isTabVisible(email));
    control<QCheckBox>("CheckBox8")->click();
    EXPECT_FALSE(pages->isTabVisible(email));
}

TEST_F(SettingsBindingTest, SoftcompressionOptionsAreShownOnlyWhileSoftcompressionIsChecked) {
    start();
    EXPECT_FALSE(control("GroupBox1")->isHidden());
    control<QCheckBox>("CheckBox4")->click();
    EXPECT_TRUE(control("GroupBox1")->isHidden());
}

TEST_F(SettingsBindingTest, TheOptionsTabNamesTheJobFileInRed) {
    start();
    auto* label = control<QLabel>("Label19");
    EXPECT_EQ(label->text(), "Options from : " + home.file("jobs.job"));
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(Qt::red));
}

TEST_F(SettingsBindingTest, EmailClearEmptiesTheFieldsAndSetsTheSubject) {
    start();
    for (const char* name : {"efrom", "eTo", "eHost", "eUserid", "ePassword", "eSubject"})
        control<QLineEdit>(name)->setText("something");
    control<QPlainTextEdit>("reMessageText")->setPlainText("old report");
    control<QAbstractButton>("BitBtn20")->click();
    const Settings& settings = window->session().settings;
    EXPECT_EQ(settings.MailFrom, "");
    EXPECT_EQ(settings.MailPassword, "");
    EXPECT_EQ(settings.MailSubject, "Orvane Backup Report");
    EXPECT_TRUE(memoLines("reMessageText").isEmpty());
}

TEST_F(SettingsBindingTest, ClearEmptiesTheBackupListAndUnlocksIt) {
    start();
    control<QPlainTextEdit>("Memo5")->setPlainText("harddisk 0");
    window->op().setListEditingLocked(true);
    control<QTabWidget>("PageControl1")->setCurrentIndex(tab::Options);
    control<QAbstractButton>("BitBtn2")->click();
    EXPECT_TRUE(window->session().settings.BackupList.isEmpty());
    EXPECT_TRUE(memoLines("Memo5").isEmpty());
    EXPECT_FALSE(window->listEditingLocked());
    EXPECT_TRUE(control("Memo5")->isEnabled());
    EXPECT_EQ(control<QTabWidget>("PageControl1")->currentIndex(), tab::Backup);

    control<QPlainTextEdit>("Memo1")->setPlainText("/tmp/");
    control<QAbstractButton>("BitBtn16")->click();
    EXPECT_TRUE(window->session().settings.ExcludeList.isEmpty());
    EXPECT_TRUE(memoLines("Memo1").isEmpty());
}

TEST_F(SettingsBindingTest, Edit8TakesThePlaceOfTheRestoreTargetHidden) {
    start();
    QWidget* edit1 = control("Edit1");
    QWidget* edit8 = control("Edit8");
    EXPECT_TRUE(edit8->isHidden());
    window->resize(900, 650);
    window->show();
    edit8->show();
    QCoreApplication::processEvents();
    EXPECT_EQ(edit8->geometry(), edit1->geometry());
}

} // namespace
