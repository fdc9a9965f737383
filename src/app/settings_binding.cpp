#include "settings_binding.h"

#include "ui_main_window.h"

#include <QButtonGroup>

namespace orvane {

QStringList MemoLines(const QString& text) {
    if (text.isEmpty())
        return {};
    QString body = text;
    if (body.endsWith(QLatin1Char('\n')))
        body.chop(1);
    return body.split(QLatin1Char('\n'));
}

SettingsBinding::SettingsBinding(Ui::THauptmenuForm& ui, Settings& settings, QObject* parent)
    : QObject(parent), m_ui(ui), m_settings(settings) {
    bind(ui.CheckBox1, &Settings::ShortProtocol);
    bind(ui.CheckBox2, &Settings::Append);
    bind(ui.CheckBox3, &Settings::AutostartBackup);
    bind(ui.CheckBox4, &Settings::SoftCompression);
    bind(ui.CheckBox5, &Settings::VerifyAfterBackup);
    bind(ui.CheckBox6, &Settings::EjectAfterBackup);
    bind(ui.CheckBox7, &Settings::ExitAfterBackup);
    bind(ui.CheckBox8, &Settings::MailAfterBackup);
    bind(ui.CheckBox9, &Settings::BackupAtStart);
    bind(ui.SpinEdit1, &Settings::AutostartHour);
    bind(ui.SpinEdit2, &Settings::AutostartMinute);
    bind(ui.SpinEdit3, &Settings::CompressionLevel);
    bind(ui.Edit1, &Settings::RestoreTarget);
    bind(ui.Edit2, &Settings::ProxyPort);
    bind(ui.Edit3, &Settings::ProxyServer);
    bind(ui.Edit4, &Settings::CommandBefore);
    bind(ui.Edit5, &Settings::CommandBeforeWait);
    bind(ui.Edit6, &Settings::CommandAfter);
    bind(ui.Edit7, &Settings::CommandAfterWait);
    bind(ui.efrom, &Settings::MailFrom);
    bind(ui.eTo, &Settings::MailTo);
    bind(ui.eSubject, &Settings::MailSubject);
    bind(ui.eHost, &Settings::MailHost);
    bind(ui.eUserid, &Settings::MailUserId);
    bind(ui.ePassword, &Settings::MailPassword);
    bind(ui.Memo5, &Settings::BackupList);
    bind(ui.Memo1, &Settings::ExcludeList);
    bind(ui.Memo3, &Settings::RestoreList);
    bindRestoreOptions();
}

void SettingsBinding::showSettings() {
    m_showing = true;
    for (const auto& show : m_showers)
        show();
    m_showing = false;
}

void SettingsBinding::edited(const std::function<void()>& change) {
    if (m_showing)
        return;
    change();
    emit settingsEdited();
}

void SettingsBinding::bind(QCheckBox* box, bool Settings::*field) {
    connect(box, &QCheckBox::toggled, this,
            [this, field](bool on) { edited([&] { m_settings.*field = on; }); });
    m_showers.push_back([this, box, field] { box->setChecked(m_settings.*field); });
}

void SettingsBinding::bind(QSpinBox* spin, int Settings::*field) {
    connect(spin, &QSpinBox::valueChanged, this,
            [this, field](int value) { edited([&] { m_settings.*field = value; }); });
    m_showers.push_back([this, spin, field] { spin->setValue(m_settings.*field); });
}

void SettingsBinding::bind(QLineEdit* edit, QString Settings::*field) {
    connect(edit, &QLineEdit::textChanged, this,
            [this, field](const QString& text) { edited([&] { m_settings.*field = text; }); });
    m_showers.push_back([this, edit, field] { edit->setText(m_settings.*field); });
}

void SettingsBinding::bind(QPlainTextEdit* memo, QStringList Settings::*field) {
    connect(memo, &QPlainTextEdit::textChanged, this, [this, memo, field] {
        edited([&] { m_settings.*field = MemoLines(memo->toPlainText()); });
    });
    m_showers.push_back([this, memo, field] {
        const QStringList& lines = m_settings.*field;
        if (MemoLines(memo->toPlainText()) != lines)
            memo->setPlainText(lines.join(QLatin1Char('\n')));
    });
}

void SettingsBinding::bindRestoreOptions() {
    m_restoreOptions = new QButtonGroup(this);
    m_restoreOptions->addButton(m_ui.RadioGroup1Item0, 0);
    m_restoreOptions->addButton(m_ui.RadioGroup1Item1, 1);
    m_restoreOptions->addButton(m_ui.RadioGroup1Item2, 2);
    connect(m_restoreOptions, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            edited([&] { m_settings.RestoreOption = id; });
    });
    m_showers.push_back([this] {
        if (QAbstractButton* button = m_restoreOptions->button(m_settings.RestoreOption))
            button->setChecked(true);
    });
}

} // namespace orvane
