#pragma once

#include <QMenu>
#include <QStringList>

class QSettings;

namespace krelin {

class Desktop;

// File > Recent Files: the last eight cartridge images opened or saved, newest first,
// chosen with Ctrl+1 ... Ctrl+8. The list is kept in the settings given (none: for this
// session only) and read again before each change, so that several running copies of
// the program add to one list instead of overwriting each other's.
class RecentFiles : public QMenu
{
    Q_OBJECT

public:
    static constexpr int MaxFiles = 8;

    RecentFiles(Desktop &desktop, QSettings *settings, QWidget *parent);

    QStringList files() const { return list; }

    // Puts the file at the top of the list, once, dropping the oldest beyond eight.
    void add(const QString &path);
    void remove(QString path);
    void clear();

    // Opens entry i (0 = newest) as its menu command does: a file that is gone is taken
    // off the list, with a message; otherwise openRequested is emitted.
    void choose(int index);

signals:
    void openRequested(const QString &path);

private:
    void openEntry(QString path);
    void load();
    void store();
    void rebuild();

    Desktop &desktop;
    QSettings *settings;
    QStringList list;
    QAction *clearAction = nullptr;
};

} // namespace krelin
