#pragma once

#include <QKeySequence>
#include <QObject>
#include <QSet>

class QMenuBar;

namespace orvane {

// Gives every menu shortcut to the first item that carries it, in menu order. A later item with
// the same key keeps its caption without the key: Qt ignores a key that two actions share, so it
// must be registered once. Every shortcut works from any window of the application that is not
// behind a modal box. Returns the registered keys.
QSet<QKeySequence> ResolveMenuShortcuts(QMenuBar& menuBar);

// Lets the menu keys win over the focused control's own use of them (Ctrl+G typed in an edit
// field runs "Move Tape to Block Nr."), except the editing keys of a text field: copy, cut,
// paste, select all, undo and redo stay the field's. Install it on the application.
class MenuKeyPriority : public QObject {
public:
    MenuKeyPriority(QSet<QKeySequence> keys, QObject* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QSet<QKeySequence> m_keys;
};

} // namespace orvane
