#pragma once

#include <QByteArray>
#include <QString>

namespace krelin {

// A bookmark is the game's state kept for one stage of one image, so that the player can
// start where the user works. Bookmarks live in $XDG_DATA_HOME/krelin/bookmarks/, one file
// for each image's file name and stage ("game.nes 3.bookmark"): a line that says what the
// file is, then the state as the core saved it. They are written as every file is
// (a temporary file renamed over the old one) and never removed by the program.
inline constexpr char BookmarkSignature[] = "Krelin bookmark 1\n";
inline constexpr qint64 MaxBookmarkSize = 64 << 20;

QString BookmarkFolder();
// The bookmark of stage stageName of the image in the file imageFile.
QString BookmarkPath(const QString &imageFile, const QString &stageName);

struct BookmarkRead
{
    bool exists = false; // false: no bookmark, which is no error
    QByteArray state;
    QString error; // names the file and what is wrong with it
};

// Reads the bookmark at path.
BookmarkRead ReadBookmark(const QString &path);
// Reads a state for the command line: a bookmark, or a state a core saved elsewhere
// (anything else the core refuses). A missing file is an error here.
BookmarkRead ReadStateFile(const QString &path);

// Writes state as the bookmark at path, making its folder. Empty on success, else a
// message naming the file.
QString WriteBookmark(const QString &path, const QByteArray &state);

} // namespace krelin
