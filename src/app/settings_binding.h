#pragma once

#include "config/settings.h"

#include <QObject>
#include <functional>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;

namespace Ui {
class THauptmenuForm;
}

namespace orvane {

// Ties each setting control of the main window to its field of the settings: every click or key
// reaches the settings at once, and the controls show the settings at start.
class SettingsBinding : public QObject {
    Q_OBJECT

public:
    SettingsBinding(Ui::THauptmenuForm& ui, Settings& settings, QObject* parent);

    // Shows every field in its control, without writing anything back.
    void ShowSettings();

signals:
    // A control changed a field (not sent while the settings are being shown).
    void SettingsEdited();

private:
    void Bind(QCheckBox* box, bool Settings::*field);
    void Bind(QSpinBox* spin, int Settings::*field);
    void Bind(QLineEdit* edit, QString Settings::*field);
    void Bind(QPlainTextEdit* memo, QStringList Settings::*field);
    void BindRestoreOptions();
    void Edited(const std::function<void()>& change);

    Ui::THauptmenuForm& m_ui;
    Settings& m_settings;
    QButtonGroup* m_restoreOptions = nullptr;
    std::vector<std::function<void()>> m_showers;
    bool m_showing = false;
};

// The lines of a memo as a list: no lines when empty, and a final line break ends the last line
// rather than starting an empty one.
QStringList MemoLines(const QString& text);

} // namespace orvane
