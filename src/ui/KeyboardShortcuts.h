#pragma once

#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QStringList>

#include <vector>

class QAction;
class QSettings;
class QWidget;

namespace krelin {

using KeyList = QList<QKeySequence>;

// The keys of the main window's actions, as the user chose them. Each action keeps the
// keys it was made with as its defaults; a key the user gives it is kept in the settings
// under shortcuts/<its objectName> (the portable text of its keys, empty for none) and put
// on it at every start. No two actions share a key: a key already taken is refused.
class KeyboardShortcuts : public QObject
{
    Q_OBJECT

public:
    struct Entry
    {
        QAction *action = nullptr;
        QString name; // as the menus say it, without mnemonics and ellipses
        QString menu; // the menu it is in, e.g. "Edit ▸ Level"; empty for window keys
        KeyList defaults;
    };

    KeyboardShortcuts(QSettings *settings, QObject *parent = nullptr);

    // Takes every named action of window (made by now: call once its menus are built) and
    // puts on each the keys kept for it. A kept value that cannot be read, or that names a
    // key another action has, is left alone and listed in unreadable().
    void collect(QWidget *window);

    const std::vector<Entry> &entries() const { return list; }
    const QStringList &unreadable() const { return unreadableKeys; }

    // The entry whose keys (in keysOf, else as they are now) hold key, other than except;
    // nullptr when none does.
    const Entry *holderOf(const QKeySequence &key, const QAction *except,
                          const std::vector<KeyList> &keysOf = {}) const;

    // Puts keys on the entry's action at once and keeps them; the defaults are kept as no
    // choice at all, so that a later program's defaults apply.
    void setKeys(const Entry &entry, const KeyList &keys);

    // "Ctrl+S is already the key of Save.": what refuses a key that holder has.
    static QString clashText(const QKeySequence &key, const Entry &holder);

signals:
    void keysChanged(QAction *action);

private:
    QString settingsKey(const QAction *action) const;

    QSettings *settings;
    std::vector<Entry> list;
    QStringList unreadableKeys;
};

} // namespace krelin
