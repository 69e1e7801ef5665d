#include "Bookmarks.h"

#include "core/FileReader.h"
#include "core/FileWriter.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace krelin {

namespace {

QString Shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// The file read whole: its bytes, or why not (with exists false for a missing file).
BookmarkRead ReadFile(const QString &path, const QString &what)
{
    BookmarkRead read;
    const FileReadResult file = ReadWholeFile(path, MaxBookmarkSize);
    read.exists = file.failure != ReadFailure::Missing;
    if (!file.ok()) {
        if (read.exists)
            read.error = QStringLiteral("The %1 %2 cannot be read: %3.")
                             .arg(what, Shown(path), file.failureText(QStringLiteral("a ") + what, QStringLiteral("a ") + what, MaxBookmarkSize));
        return read;
    }
    read.state = QByteArray(reinterpret_cast<const char *>(file.bytes.data()), qsizetype(file.bytes.size()));
    return read;
}

} // namespace

QString BookmarkFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("krelin/bookmarks"));
}

QString BookmarkPath(const QString &imageFile, const QString &stageName)
{
    return QDir(BookmarkFolder()).filePath(QStringLiteral("%1 %2.bookmark").arg(QFileInfo(imageFile).fileName(), stageName));
}

BookmarkRead ReadBookmark(const QString &path)
{
    const QString what = QStringLiteral("bookmark");
    BookmarkRead read = ReadFile(path, what);
    if (!read.exists || !read.error.isEmpty())
        return read;
    if (!read.state.startsWith(BookmarkSignature))
        read.error = QStringLiteral("The bookmark %1 is not a bookmark Krelin wrote: it does not start as one.").arg(Shown(path));
    else if (read.state.size() == qsizetype(sizeof BookmarkSignature - 1))
        read.error = QStringLiteral("The bookmark %1 holds no state of the game.").arg(Shown(path));
    if (read.error.isEmpty())
        read.state.remove(0, qsizetype(sizeof BookmarkSignature - 1));
    else
        read.state.clear();
    return read;
}

BookmarkRead ReadStateFile(const QString &path)
{
    BookmarkRead read = ReadFile(path, QStringLiteral("state file"));
    if (!read.exists)
        read.error = QStringLiteral("The state file %1 does not exist.").arg(Shown(path));
    if (read.error.isEmpty() && read.state.startsWith(BookmarkSignature))
        return ReadBookmark(path);
    return read;
}

QString WriteBookmark(const QString &path, const QByteArray &state)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return QStringLiteral("Cannot keep the bookmark %1: its folder cannot be made.").arg(Shown(path));
    const QString failure = ReplaceFileContents(path, QByteArray(BookmarkSignature) + state);
    if (!failure.isEmpty())
        return QStringLiteral("Cannot keep the bookmark %1: %2.").arg(Shown(path), failure);
    return {};
}

} // namespace krelin
