#include "KeyboardShortcuts.h"

#include "core/SettingsFile.h"
#include "playerwindow/PlayerCommands.h"
#include "tileeditor/TileEditorCommands.h"

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

// Puts keys on action; a tool-tip that ends with its key in brackets, "Fill: … (F)",
// names the new one.
void PutKeys(QAction *action, const KeyList &keys)
{
    const QString was = QStringLiteral(" (%1)").arg(action->shortcut().toString(QKeySequence::NativeText));
    QString tip = action->toolTip();
    if (!action->shortcut().isEmpty() && tip.endsWith(was)) {
        tip.chop(was.size());
        if (!keys.isEmpty())
            tip += QStringLiteral(" (%1)").arg(keys.first().toString(QKeySequence::NativeText));
        action->setToolTip(tip);
    }
    action->setShortcuts(keys);
}

} // namespace

KeyboardShortcuts::KeyboardShortcuts(QSettings *settings, QObject *parent)
    : QObject(parent)
    , settings(settings)
{
    setObjectName(QStringLiteral("keyboardShortcuts"));
}

void KeyboardShortcuts::collect(QWidget *mainWindow)
{
    for (QAction *action : mainWindow->findChildren<QAction *>()) {
        if (listed(action))
            list.push_back({action->objectName(), plainName(action), menuPath(action), QString(),
                            action->shortcutContext() == Qt::ApplicationShortcut, action->shortcuts(),
                            action->shortcuts(), action});
    }
    std::stable_sort(list.begin(), list.end(), [](const Entry &a, const Entry &b) {
        // The menus in order, each one's actions by name; the window's own keys last.
        if (a.menu.isEmpty() != b.menu.isEmpty())
            return b.menu.isEmpty();
        if (const int byMenu = a.menu.localeAwareCompare(b.menu))
            return byMenu < 0;
        return a.name.localeAwareCompare(b.name) < 0;
    });
    for (const TileEditorCommand &c : TileEditorCommands()) {
        QString name = QString::fromUtf8(c.text);
        const KeyList keys{c.key};
        list.push_back({QString::fromLatin1(c.objectName), name.remove(QLatin1Char('&')),
                        QStringLiteral("Tile Editor \u25B8 ") + QString::fromLatin1(c.menu), QStringLiteral("frmTileEditor"),
                        false, keys, keys, nullptr});
    }
    const auto addPlayerCommand = [this](const PlayerCommand &c, bool bareKey) {
        QString name = QString::fromUtf8(c.text);
        name.remove(QLatin1Char('&')).remove(QChar(0x2026));
        list.push_back({QString::fromLatin1(c.objectName), name,
                        QStringLiteral("Player \u25B8 ") + QString::fromLatin1(c.menu), QLatin1String(PlayerWindowName),
                        false, c.keys, c.keys, nullptr, bareKey});
    };
    for (const PlayerCommand &c : PlayerCommands())
        addPlayerCommand(c, false);
    for (const PlayerButtonCommand &b : PlayerButtons())
        addPlayerCommand(b.command, true);
    if (!settings)
        return;
    // Every kept key first, then the clashes: two actions whose keys the user swapped
    // clash only halfway through. An action whose kept keys are refused gets its own back,
    // which another kept key may have: judged again until no key is left on two actions.
    std::vector<Entry *> kept;
    for (Entry &entry : list) {
        const QString key = Group + entry.objectName;
        if (!settings->contains(key))
            continue;
        const QString text = settings->value(key).toString().trimmed();
        // Kept empty: the user took the action's keys away.
        const KeyList keys = text.isEmpty() ? KeyList{} : QKeySequence::listFromString(text, QKeySequence::PortableText);
        if (!readable(keys)) {
            unreadableKeys << key;
            continue;
        }
        entry.keys = keys;
        kept.push_back(&entry);
    }
    std::vector<Entry *> judged = kept;
    for (bool again = true; again;) {
        again = false;
        for (auto at = judged.begin(); at != judged.end();) {
            Entry *entry = *at;
            bool taken = false;
            for (const QKeySequence &k : entry->keys)
                taken = taken || holderOf(k, *entry);
            if (!taken) {
                ++at;
                continue;
            }
            unreadableKeys << Group + entry->objectName;
            entry->keys = entry->defaults;
            at = judged.erase(at);
            again = true;
        }
    }
    for (Entry *entry : kept)
        applyKeys(*entry);
}

void KeyboardShortcuts::follow(QWidget *toolWindow)
{
    toolWindows.removeAll(nullptr);
    toolWindows << toolWindow;
    for (const Entry &entry : list)
        if (entry.window == toolWindow->objectName())
            applyKeys(entry);
}

void KeyboardShortcuts::applyKeys(const Entry &entry)
{
    if (entry.action) {
        PutKeys(entry.action, entry.keys);
        return;
    }
    for (QWidget *window : std::as_const(toolWindows))
        if (window && window->objectName() == entry.window)
            if (auto *action = window->findChild<QAction *>(entry.objectName))
                PutKeys(action, entry.keys);
}

const KeyboardShortcuts::Entry *KeyboardShortcuts::holderOf(const QKeySequence &key, const Entry &entry,
                                                           const std::vector<KeyList> &keysOf) const
{
    if (key.isEmpty())
        return nullptr;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const Entry &other = list[i];
        if (&other == &entry || (other.window != entry.window && !other.everywhere && !entry.everywhere))
            continue;
        const KeyList &keys = i < keysOf.size() ? keysOf[i] : other.keys;
        if (keys.contains(key))
            return &other;
    }
    return nullptr;
}

void KeyboardShortcuts::setAllKeys(const std::vector<KeyList> &keys)
{
    for (std::size_t i = 0; i < list.size() && i < keys.size(); ++i) {
        if (list[i].keys == keys[i])
            continue;
        list[i].keys = keys[i];
        applyKeys(list[i]);
    }
    if (!settings)
        return;
    // The group is written whole: a line refused at start (a clash, a key without a name)
    // or of an action no longer there would otherwise stay, and come back at every start.
    settings->remove(Group.chopped(1));
    for (const Entry &entry : list)
        if (entry.keys != entry.defaults)
            settings->setValue(Group + entry.objectName, QKeySequence::listToString(entry.keys, QKeySequence::PortableText));
    SaveSettings(*settings);
}

QString KeyboardShortcuts::clashText(const QKeySequence &key, const Entry &holder)
{
    return QStringLiteral("%1 is already the key of %2.").arg(key.toString(QKeySequence::NativeText), holder.name);
}

} // namespace krelin
