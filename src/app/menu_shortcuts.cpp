#include "menu_shortcuts.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>

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
            action->setShortcut(QKeySequence());
            action->setText(action->text() + QLatin1Char('\t') +
                            key.toString(QKeySequence::NativeText));
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

bool MenuKeyPriority::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
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
