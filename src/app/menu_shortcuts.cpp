#include "menu_shortcuts.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace orvane {

namespace {

void ResolveIn(const QList<QAction*>& actions, QSet<QKeySequence>& taken) {
    for (QAction* action : actions) {
        if (QMenu* submenu = action->menu()) {
            ResolveIn(submenu->actions(), taken);
            continue;
        }
        const QKeySequence key = action->shortcut();
        if (key.isEmpty())
            continue;
        if (taken.contains(key)) {
            // A key shown on an item that it does not run would promise what never happens.
            action->setShortcut(QKeySequence());
            continue;
        }
        taken.insert(key);
        action->setShortcutContext(Qt::ApplicationShortcut);
    }
}

} // namespace

QSet<QKeySequence> ResolveMenuShortcuts(QMenuBar& menuBar) {
    QSet<QKeySequence> taken;
    ResolveIn(menuBar.actions(), taken);
    return taken;
}

MenuKeyPriority::MenuKeyPriority(QSet<QKeySequence> keys, QObject* parent)
    : QObject(parent), m_keys(std::move(keys)) {}

namespace {

// Copy, cut, paste, select all, undo and redo typed in a text field are the field's own: an
// operator copying from the protocol must not clear a list instead.
bool IsTextFieldKey(QObject* watched, const QKeyEvent& key) {
    if (!qobject_cast<QLineEdit*>(watched) && !qobject_cast<QPlainTextEdit*>(watched) &&
        !qobject_cast<QTextEdit*>(watched) && !qobject_cast<QAbstractSpinBox*>(watched))
        return false;
    for (const QKeySequence::StandardKey standard :
         {QKeySequence::Copy, QKeySequence::Cut, QKeySequence::Paste, QKeySequence::SelectAll,
          QKeySequence::Undo, QKeySequence::Redo})
        if (key.matches(standard))
            return true;
    return false;
}

} // namespace

bool MenuKeyPriority::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (IsTextFieldKey(watched, *key)) {
            // Accepted, the override makes the key a key press for the field, also for a
            // read-only one (the protocol view) that would not claim it itself.
            event->accept();
            return true;
        }
        if (m_keys.contains(QKeySequence(key->keyCombination()))) {
            // Unaccepted, the override lets the shortcut run; if no enabled item takes the key,
            // it still reaches the control as an ordinary key press.
            event->ignore();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace orvane
