#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace krelin {

// A bookmark is the game's state kept for one stage of one image, so that the player can
// start where the user works. Bookmarks live in $XDG_DATA_HOME/krelin/bookmarks/, a folder
// only the user may enter, one file for each image file and stage: the file's name, a hash
// of its whole path (two game.nes in two folders have bookmarks of their own) and the
// stage ("game.nes-0123456789ab 3.bookmark"). A file holds a line that says what it is,
// then the state as the core saved it. They are written as every file is (a temporary
// file renamed over the old one), readable by the user alone, and removed only when the
// user deletes one.
inline constexpr char BookmarkSignature[] = "Krelin bookmark 1\n";
inline constexpr qint64 MaxBookmarkSize = 64 << 20;

QString BookmarkFolder();
// The bookmark of stage stageName of the image in the file imageFile.
QString BookmarkPath(const QString &imageFile, const QString &stageName);
// Where earlier versions kept that bookmark: by the image's file name alone ("game.nes
// 3.bookmark"). Still read when the image has no bookmark of its own.
QString NameOnlyBookmarkPath(const QString &imageFile, const QString &stageName);
// The bookmark files of that stage of that image that exist: its own, then the one kept by
// the file name alone. The first is the one the game starts from.
QStringList ExistingBookmarks(const QString &imageFile, const QString &stageName);

struct BookmarkRead
{
    bool exists = false; // false: no bookmark, which is no error
    QByteArray state;
    QString error; // names the file and what is wrong with it
};

// Reads the bookmark at path.
BookmarkRead ReadBookmark(const QString &path);
// Reads a state for the command line: a bookmark, or a state a core saved elsewhere
// (anything else the core refuses). A missing file is an error here. Its messages call
// it a state file, whichever it is.
BookmarkRead ReadStateFile(const QString &path);

// Writes state as the bookmark at path, making its folder. Empty on success, else a
// message naming the file.
QString WriteBookmark(const QString &path, const QByteArray &state);

// Removes the bookmark files at paths. Empty on success, else a message naming the first
// that could not be removed.
QString DeleteBookmarks(const QStringList &paths);

} // namespace krelin
