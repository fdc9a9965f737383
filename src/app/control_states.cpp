#include "control_states.h"

#include "command_availability.h"

#include <QAction>
#include <QWidget>

namespace orvane {

namespace {
QStringList Names(std::initializer_list<const char*> names) {
    QStringList list;
    for (const char* name : names)
        list << QLatin1String(name);
    return list;
}
} // namespace

const QStringList& ControlStates::BusyControls() {
    static const QStringList names = Names({
        "BitBtn2",   "BitBtn10",  "BitBtn11",  "BitBtn1",   "Panel10",   "Panel1",
        "CheckBox1", "CheckBox3", "CheckBox4", "SpinEdit1", "SpinEdit2", "SpeedButton1",
        "Label1",    "BitBtn14",  "BitBtn13",  "BitBtn12",  "Edit1",     "Button3",
        "CheckBox6", "CheckBox7", "CheckBox8", "CheckBox9", "SpinEdit3", "Edit2",
        "Edit3",     "Edit4",     "Edit5",     "Edit6",     "Edit7",     "efrom",
        "eTo",       "eSubject",  "eHost",     "eUserid",   "ePassword",
    });
    return names;
}

const QStringList& ControlStates::ListEditingControls() {
    static const QStringList names = Names({
        "BitBtn3",
        "BitBtn7",
        "BitBtn22",
        "Memo5",
        "CheckBox2",
        "CheckBox5",
        "BitBtn4",
        "BitBtn5",
        "BitBtn6",
        "BitBtn15",
        "BitBtn16",
        "Memo1",
        "RadioGroup1",
        "Memo3",
    });
    return names;
}

const QStringList& ControlStates::CancelButtons() {
    static const QStringList names = Names({"BitBtn8", "BitBtn9", "BitBtn17"});
    return names;
}

const QStringList& ControlStates::BusyMenuCommands() {
    static const QStringList names = Names({
        "Clear1",
        "Load1",
        "Save1",
        "AddDirDrive1",
        "AddFiles1",
        "BackupDays1",
        "StartBackup1",
        "LoadCatalog1",
        "LoadCatalogsequentiell1",
        "Restoreto1",
        "StartRestore1",
        "TapeInfo1",
        "GetTapeDescription1",
        "Auswerfen1",
        "LoadTape1",
        "Tapetension1",
        "RewindTape1",
        "MovetoendofData1",
        "MoveTapetoBlockNr1",
        "GetTapePosition1",
        "DeleteTape1",
        "FormatTape1",
        "InitTapewith01",
        "SetFilemarks1",
        "SetTapeParameters1",
        "ReadMBR1",
        "Diskcopytest1",
        "DiskWriteTest1",
        "est1",
        "DisktoDiskcopy1",
    });
    return names;
}

ControlStates::ControlStates(QWidget& window) {
    for (const QStringList* names : {&BusyControls(), &ListEditingControls(), &CancelButtons()}) {
        for (const QString& name : *names) {
            QWidget* control = window.findChild<QWidget*>(name);
            Q_ASSERT_X(control, "ControlStates", qPrintable(name));
            m_controls.insert(name, control);
        }
    }
    for (const QString& name : BusyMenuCommands()) {
        QAction* action = window.findChild<QAction*>(name);
        Q_ASSERT_X(action, "ControlStates", qPrintable(name));
        m_actions.insert(name, action);
    }
}

void ControlStates::SetBusy(bool busy) {
    m_busy = busy;
    for (const QString& name : CancelButtons()) {
        if (QWidget* button = m_controls.value(name))
            button->setVisible(busy);
    }
    for (const QString& name : BusyControls())
        Enable(name, !busy);
    if (!busy)
        Enable(QStringLiteral("CheckBox2"), true);
    for (const QString& name : BusyMenuCommands())
        EnableAction(name, !busy);
}

void ControlStates::SetListEditingLocked(bool locked) {
    m_listLocked = locked;
    for (const QString& name : ListEditingControls())
        Enable(name, !locked);
}

void ControlStates::Enable(const QString& name, bool enabled) {
    if (QWidget* control = m_controls.value(name))
        control->setEnabled(enabled && IsAvailable(name));
}

void ControlStates::EnableAction(const QString& name, bool enabled) {
    if (QAction* action = m_actions.value(name))
        action->setEnabled(enabled && IsAvailable(name));
}

} // namespace orvane
