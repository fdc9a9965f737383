#include "backup_days_dialog.h"

#include "config/settings.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace orvane {

TBackup_days::TBackup_days(Settings& settings, QWidget* parent)
    : AuxiliaryWindow(QStringLiteral("TBackup_days"), QStringLiteral("Backup every"), parent),
      m_settings(settings) {
    static const char* const dayNames[] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                           "Friday", "Saturday", "Sunday"};
    auto* layout = new QVBoxLayout(this);
    for (int day = 0; day < 7; ++day) {
        auto* box = new QCheckBox(QLatin1String(dayNames[day]), this);
        box->setObjectName(QStringLiteral("CheckBox%1").arg(day + 1));
        connect(box, &QCheckBox::toggled, this,
                [this, day](bool on) { m_settings.BackupDays[size_t(day)] = on; });
        layout->addWidget(box);
        m_days[size_t(day)] = box;
    }
    auto* buttons = new QHBoxLayout;
    auto* ok = new QPushButton(QStringLiteral("&OK"), this);
    ok->setObjectName(QStringLiteral("BitBtn1"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cancel->setObjectName(QStringLiteral("BitBtn2"));
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, [this] {
        emit DaysConfirmed();
        hide();
    });
    connect(cancel, &QPushButton::clicked, this, &QWidget::hide);
    ShowSettings();
}

void TBackup_days::ShowSettings() {
    for (size_t day = 0; day < m_days.size(); ++day)
        m_days[day]->setChecked(m_settings.BackupDays[day]);
}

} // namespace orvane
