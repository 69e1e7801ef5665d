#pragma once

#include <QAction>
#include <QKeySequence>

namespace krelin {

// An action of the main window's parts: named (tests and the keys' preferences find it by
// that name), with the caption and the key it comes with.
inline QAction *NewCommand(QObject *parent, const char *name, const QString &caption, const QKeySequence &key = {})
{
    auto *action = new QAction(caption, parent);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(key);
    return action;
}

} // namespace krelin
