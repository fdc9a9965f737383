#pragma once

#include "auxiliary_window.h"

#include <array>

class QCheckBox;

namespace orvane {

struct Settings;

// "Backup every": the weekdays on which the autostart may run. The boxes edit the settings at
// once, so a change counts even when the dialog is left with Cancel.
class TBackup_days : public AuxiliaryWindow {
    Q_OBJECT

public:
    TBackup_days(Settings& settings, QWidget* parent = nullptr);

    // Shows the settings' days in the boxes.
    void ShowSettings();

signals:
    // "&OK": the days are to reach the job file.
    void DaysConfirmed();

private:
    Settings& m_settings;
    std::array<QCheckBox*, 7> m_days{};
};

} // namespace orvane
