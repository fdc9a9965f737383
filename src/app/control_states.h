#pragma once

#include <QHash>
#include <QStringList>

class QAction;
class QWidget;

namespace orvane {

// The busy and idle states of the main window. Busy mode (a long run, or the start-up until the
// tape description is read) disables the start buttons and the settings and shows the Cancel
// buttons; list locking disables the list editing. A command that is not available stays
// disabled in every state.
class ControlStates {
public:
    // Controls of the window by object name.
    static const QStringList& BusyControls();
    static const QStringList& ListEditingControls();
    static const QStringList& CancelButtons();
    // Menu items disabled while busy: those that start a tape or disk operation, so that no
    // second one starts in the middle of a run, and the twins of the buttons that busy mode
    // disables, so that the lists and settings cannot change under a running job.
    static const QStringList& BusyMenuCommands();

    // Looks the controls up once, before any other window could bring in controls of the same
    // name.
    explicit ControlStates(QWidget& window);

    // EnterBusyMode / LeaveBusyMode (without the list locking, which comes separately).
    void SetBusy(bool busy);
    bool Busy() const { return m_busy; }
    // LockListEditing / UnlockListEditing.
    void SetListEditingLocked(bool locked);
    bool ListEditingLocked() const { return m_listLocked; }

private:
    void Enable(const QString& name, bool enabled);
    void EnableAction(const QString& name, bool enabled);

    QHash<QString, QWidget*> m_controls;
    QHash<QString, QAction*> m_actions;
    bool m_busy = false;
    bool m_listLocked = false;
};

} // namespace orvane
