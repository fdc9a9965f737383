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
    Bind(ui.CheckBox1, &Settings::ShortProtocol);
    Bind(ui.CheckBox2, &Settings::Append);
    Bind(ui.CheckBox3, &Settings::AutostartBackup);
    Bind(ui.CheckBox4, &Settings::SoftCompression);
    Bind(ui.CheckBox5, &Settings::VerifyAfterBackup);
    Bind(ui.CheckBox6, &Settings::EjectAfterBackup);
    Bind(ui.CheckBox7, &Settings::ExitAfterBackup);
    Bind(ui.CheckBox8, &Settings::MailAfterBackup);
    Bind(ui.CheckBox9, &Settings::BackupAtStart);
    Bind(ui.SpinEdit1, &Settings::AutostartHour);
    Bind(ui.SpinEdit2, &Settings::AutostartMinute);
    Bind(ui.SpinEdit3, &Settings::CompressionLevel);
    Bind(ui.Edit1, &Settings::RestoreTarget);
    Bind(ui.Edit2, &Settings::ProxyPort);
    Bind(ui.Edit3, &Settings::ProxyServer);
    Bind(ui.Edit4, &Settings::CommandBefore);
    Bind(ui.Edit5, &Settings::CommandBeforeWait);
    Bind(ui.Edit6, &Settings::CommandAfter);
    Bind(ui.Edit7, &Settings::CommandAfterWait);
    Bind(ui.efrom, &Settings::MailFrom);
    Bind(ui.eTo, &Settings::MailTo);
    Bind(ui.eSubject, &Settings::MailSubject);
    Bind(ui.eHost, &Settings::MailHost);
    Bind(ui.eUserid, &Settings::MailUserId);
    Bind(ui.ePassword, &Settings::MailPassword);
    Bind(ui.Memo5, &Settings::BackupList);
    Bind(ui.Memo1, &Settings::ExcludeList);
    Bind(ui.Memo3, &Settings::RestoreList);
    BindRestoreOptions();
}

void SettingsBinding::ShowSettings() {
    m_showing = true;
    for (const auto& show : m_showers)
        show();
    m_showing = false;
}

void SettingsBinding::Edited(const std::function<void()>& change) {
    if (m_showing)
        return;
    change();
    emit SettingsEdited();
}

void SettingsBinding::Bind(QCheckBox* box, bool Settings::*field) {
    connect(box, &QCheckBox::toggled, this,
            [this, field](bool on) { Edited([&] { m_settings.*field = on; }); });
    m_showers.push_back([this, box, field] { box->setChecked(m_settings.*field); });
}

void SettingsBinding::Bind(QSpinBox* spin, int Settings::*field) {
    connect(spin, &QSpinBox::valueChanged, this,
            [this, field](int value) { Edited([&] { m_settings.*field = value; }); });
    m_showers.push_back([this, spin, field] { spin->setValue(m_settings.*field); });
}

void SettingsBinding::Bind(QLineEdit* edit, QString Settings::*field) {
    connect(edit, &QLineEdit::textChanged, this,
            [this, field](const QString& text) { Edited([&] { m_settings.*field = text; }); });
    m_showers.push_back([this, edit, field] { edit->setText(m_settings.*field); });
}

void SettingsBinding::Bind(QPlainTextEdit* memo, QStringList Settings::*field) {
    connect(memo, &QPlainTextEdit::textChanged, this, [this, memo, field] {
        Edited([&] { m_settings.*field = MemoLines(memo->toPlainText()); });
    });
    m_showers.push_back([this, memo, field] {
        const QStringList& lines = m_settings.*field;
        if (MemoLines(memo->toPlainText()) != lines)
            memo->setPlainText(lines.join(QLatin1Char('\n')));
    });
}

void SettingsBinding::BindRestoreOptions() {
    m_restoreOptions = new QButtonGroup(this);
    m_restoreOptions->addButton(m_ui.RadioGroup1Item0, 0);
    m_restoreOptions->addButton(m_ui.RadioGroup1Item1, 1);
    m_restoreOptions->addButton(m_ui.RadioGroup1Item2, 2);
    connect(m_restoreOptions, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            Edited([&] { m_settings.RestoreOption = id; });
    });
    m_showers.push_back([this] {
        if (QAbstractButton* button = m_restoreOptions->button(m_settings.RestoreOption))
            button->setChecked(true);
    });
}

} // namespace orvane
