#include "KeyboardShortcuts.h"

#include <QAction>
#include <QMenu>
#include <QSettings>
#include <QWidget>

#include <algorithm>

namespace krelin {

namespace {

const QString Group = QStringLiteral("shortcuts/");

// "&Save As…" → "Save As".
QString plainName(const QAction *action)
{
    QString name = action->text();
    name.remove(QLatin1Char('&')).remove(QChar(0x2026));
    if (name.endsWith(QLatin1String("...")))
        name.chop(3);
    return name.trimmed();
}

// The menu an action is in and the menus above it: "Edit ▸ Level".
QString menuPath(const QAction *action)
{
    QStringList path;
    for (const QAction *at = action; at && path.size() < 8;) {
        const QMenu *menu = nullptr;
        for (QObject *object : at->associatedObjects())
            menu = menu ? menu : qobject_cast<QMenu *>(object);
        if (!menu)
            break;
        path.prepend(plainName(menu->menuAction()));
        at = menu->menuAction();
    }
    return path.join(QStringLiteral(" \u25B8 "));
}

// Actions that belong in the table: named ones that do something on their own. The recent
// files come and go with the list, and the tray's entries repeat the menus'.
bool listed(const QAction *action)
{
    const QString name = action->objectName();
    return !name.isEmpty() && !action->isSeparator() && !action->menu() && !plainName(action).isEmpty()
        && !name.startsWith(QLatin1String("mnuRecentFile")) && !name.startsWith(QLatin1String("mnuTrayIcon"));
}

// Keys read back from the settings: none that Qt could not name.
bool readable(const KeyList &keys)
{
    for (const QKeySequence &key : keys) {
        if (key.isEmpty())
            return false;
        for (int i = 0; i < key.count(); ++i)
            if (key[i].key() == Qt::Key_unknown)
                return false;
    }
    return true;
}

} // namespace

KeyboardShortcuts::KeyboardShortcuts(QSettings *settings, QObject *parent)
    : QObject(parent)
    , settings(settings)
{
    setObjectName(QStringLiteral("keyboardShortcuts"));
}

QString KeyboardShortcuts::settingsKey(const QAction *action) const
{
    return Group + action->objectName();
}

void KeyboardShortcuts::collect(QWidget *window)
{
    for (QAction *action : window->findChildren<QAction *>()) {
        if (listed(action))
            list.push_back({action, plainName(action), menuPath(action), action->shortcuts()});
    }
    std::stable_sort(list.begin(), list.end(),
                     [](const Entry &a, const Entry &b) {
        // The menus in order, each one's actions by name; the window's own keys last.
        if (a.menu.isEmpty() != b.menu.isEmpty())
            return b.menu.isEmpty();
        if (const int byMenu = a.menu.localeAwareCompare(b.menu))
            return byMenu < 0;
        return a.name.localeAwareCompare(b.name) < 0;
    });
    if (!settings)
        return;
    for (const Entry &entry : list) {
        const QString key = settingsKey(entry.action);
        if (!settings->contains(key))
            continue;
        const QString text = settings->value(key).toString().trimmed();
        // Kept empty: the user took the action's keys away.
        const KeyList keys = text.isEmpty() ? KeyList{} : QKeySequence::listFromString(text, QKeySequence::PortableText);
        bool taken = false;
        for (const QKeySequence &k : keys)
            taken = taken || holderOf(k, entry.action);
        if (!readable(keys) || taken) {
            unreadableKeys << key;
            continue;
        }
        entry.action->setShortcuts(keys);
    }
}

const KeyboardShortcuts::Entry *KeyboardShortcuts::holderOf(const QKeySequence &key, const QAction *except,
                                                           const std::vector<KeyList> &keysOf) const
{
    if (key.isEmpty())
        return nullptr;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i].action == except)
            continue;
        const KeyList keys = i < keysOf.size() ? keysOf[i] : list[i].action->shortcuts();
        if (keys.contains(key))
            return &list[i];
    }
    return nullptr;
}

void KeyboardShortcuts::setKeys(const Entry &entry, const KeyList &keys)
{
    if (entry.action->shortcuts() == keys)
        return;
    entry.action->setShortcuts(keys);
    if (settings) {
        if (keys == entry.defaults)
            settings->remove(settingsKey(entry.action));
        else
            settings->setValue(settingsKey(entry.action), QKeySequence::listToString(keys, QKeySequence::PortableText));
        settings->sync();
    }
    emit keysChanged(entry.action);
}

QString KeyboardShortcuts::clashText(const QKeySequence &key, const Entry &holder)
{
    return QStringLiteral("%1 is already the key of %2.").arg(key.toString(QKeySequence::NativeText), holder.name);
}

} // namespace krelin
