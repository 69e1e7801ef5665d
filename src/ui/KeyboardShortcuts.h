#pragma once

#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <vector>

class QAction;
class QSettings;
class QWidget;

namespace krelin {

using KeyList = QList<QKeySequence>;

// The keys of the program's actions, as the user chose them: the main window's, and the
// tile editor's (listed before that window is ever opened, and put on its actions each
// time it is made). Each action keeps the keys it was made with as its defaults; a key the
// user gives it is kept in the settings under shortcuts/<its objectName> (the portable
// text of its keys, empty for none) and put on it at every start.
//
// No key does two things: a key is refused when an action of the same window has it, or
// when either action's key works in every window of the program.
class KeyboardShortcuts : public QObject
{
    Q_OBJECT

public:
    struct Entry
    {
        QString objectName;
        QString name; // as the menus say it, without mnemonics and ellipses
        QString menu; // the menu it is in, e.g. "Edit ▸ Level"; empty for window keys
        QString window; // empty for the main window, else the tool window's objectName
        bool everywhere = false; // its key works in every window of the program
        KeyList defaults;
        KeyList keys; // as they are now
        QAction *action = nullptr; // the main window's action; tool windows' come and go
    };

    explicit KeyboardShortcuts(QSettings *settings, QObject *parent = nullptr);

    // Takes every named action of the main window (made by now: call once its menus are
    // built) and the tile editor's commands, and puts on each the keys kept for it. A kept
    // value that cannot be read, or that gives a key another action has, is left alone and
    // listed in unreadable().
    void collect(QWidget *mainWindow);
    // Puts the chosen keys on a tool window's actions, now and whenever they change.
    void follow(QWidget *toolWindow);

    const std::vector<Entry> &entries() const { return list; }
    const QStringList &unreadable() const { return unreadableKeys; }

    // The entry that key would clash with if entry had it, with every entry's keys taken
    // from keysOf (by index) when given, else as they are; nullptr when none.
    const Entry *holderOf(const QKeySequence &key, const Entry &entry, const std::vector<KeyList> &keysOf = {}) const;

    // Puts keys[i] on the action of entries()[i] at once, and keeps the keys as they now
    // stand in place of everything kept before: the defaults are kept as no choice at all,
    // so that a later program's defaults apply.
    void setAllKeys(const std::vector<KeyList> &keys);

    // "Ctrl+S is already the key of Save.": what refuses a key that holder has.
    static QString clashText(const QKeySequence &key, const Entry &holder);

private:
    void applyKeys(const Entry &entry);

    QSettings *settings;
    std::vector<Entry> list;
    QStringList unreadableKeys;
    QList<QPointer<QWidget>> toolWindows;
};

} // namespace krelin
