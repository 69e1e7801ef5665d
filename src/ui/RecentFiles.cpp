#include "RecentFiles.h"

#include "core/SameFile.h"
#include "core/SettingsFile.h"
#include "core/Version.h"
#include "widgets/Desktop.h"
#include "widgets/PlainText.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace krelin {

namespace {

const QString SettingsKey = QStringLiteral("RecentFiles");

bool sameEntry(const QString &a, const QString &b)
{
    return a == b || IsSameFile(a, b);
}

// A file name as menu text: an ampersand stays an ampersand instead of marking a key.
QString menuText(const QString &text)
{
    return QString(text).replace(u'&', QStringLiteral("&&"));
}

} // namespace

RecentFiles::RecentFiles(Desktop &desktop, QSettings *settings, QWidget *parent)
    : QMenu(QStringLiteral("Recent Files"), parent)
    , desktop(desktop)
    , settings(settings)
{
    setObjectName(QStringLiteral("mnuRecentFiles"));
    load();
    rebuild();
    // Another copy of the program may have changed the list since.
    connect(this, &QMenu::aboutToShow, this, [this] {
        load();
        rebuild();
    });
}

void RecentFiles::load()
{
    if (!settings)
        return;
    settings->sync();
    QStringList stored;
    for (const QString &path : settings->value(SettingsKey).toStringList()) {
        if (path.isEmpty() || stored.size() == MaxFiles)
            continue;
        bool known = false;
        for (const QString &s : std::as_const(stored))
            known = known || sameEntry(s, path);
        if (!known)
            stored << path;
    }
    list = stored;
}

void RecentFiles::store()
{
    if (!settings)
        return;
    settings->setValue(SettingsKey, list);
    SaveSettings(*settings);
}

void RecentFiles::add(const QString &path)
{
    if (path.isEmpty())
        return;
    load();
    const QString entry = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    list.removeIf([&](const QString &s) { return sameEntry(s, entry); });
    list.prepend(entry);
    while (list.size() > MaxFiles)
        list.removeLast();
    store();
    rebuild();
}

void RecentFiles::remove(QString path)
{
    load();
    list.removeIf([&](const QString &s) { return s == path; });
    store();
    rebuild();
}

void RecentFiles::clear()
{
    list.clear();
    store();
    rebuild();
}

void RecentFiles::choose(int index)
{
    if (index >= 0 && index < list.size())
        openEntry(list.at(index));
}

// The path is a copy: it may come from the list, which reloading replaces.
void RecentFiles::openEntry(QString path)
{
    if (!QFileInfo(path).isFile()) {
        remove(path);
        desktop.showMessage(parentWidget(), ProgramCaption(),
                            QStringLiteral("%1 no longer exists. It has been removed from the Recent Files list.")
                                .arg(QDir::toNativeSeparators(path)),
                            Desktop::Icon::Warning);
        return;
    }
    emit openRequested(path);
}

void RecentFiles::rebuild()
{
    QMenu::clear();
    for (int i = 0; i < list.size(); ++i) {
        const QFileInfo file(list.at(i));
        // Two files of one name in different folders are told apart by their folders.
        bool nameTwice = false;
        for (int j = 0; j < list.size(); ++j)
            nameTwice = nameTwice || (j != i && QFileInfo(list.at(j)).fileName() == file.fileName());
        const QString shown = nameTwice ? QDir::toNativeSeparators(file.filePath()) : file.fileName();
        QAction *action = addAction(QStringLiteral("&%1 ").arg(i + 1) + menuText(shown));
        action->setObjectName(QStringLiteral("mnuRecentFile%1").arg(i + 1));
        action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_1 + i)));
        action->setStatusTip(QDir::toNativeSeparators(file.filePath()));
        action->setToolTip(PlainToolTip(QDir::toNativeSeparators(file.filePath())));
        connect(action, &QAction::triggered, this, [this, path = list.at(i)] { openEntry(path); });
    }
    if (!list.isEmpty()) {
        addSeparator();
        clearAction = addAction(QStringLiteral("&Clear List"));
        clearAction->setObjectName(QStringLiteral("mnuRecentFilesClear"));
        connect(clearAction, &QAction::triggered, this, &RecentFiles::clear);
    }
    menuAction()->setEnabled(!list.isEmpty());
}

} // namespace krelin
