#include "Bookmarks.h"

#include "PrivateFolder.h"
#include "core/FileReader.h"
#include "core/FileWriter.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace krelin {

namespace {

const QString Suffix = QStringLiteral(".bookmark");

QString Shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// name cut at a whole character to at most bytes bytes of the file system's encoding.
QString CutToFit(QString name, qsizetype bytes)
{
    while (!name.isEmpty() && QFile::encodeName(name).size() > bytes)
        name.chop(name.size() > 1 && name.back().isLowSurrogate() ? 2 : 1);
    return name;
}

// The file read whole: its bytes, or why not (with exists false for a missing file).
// what names the file in the message ("bookmark", "state file").
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

// The state a bookmark's bytes hold, or why there is none.
void TakeState(BookmarkRead &read, const QString &path, const QString &what)
{
    if (!read.state.startsWith(BookmarkSignature))
        read.error = QStringLiteral("The %1 %2 is not a bookmark Krelin wrote: it does not start as one.").arg(what, Shown(path));
    else if (read.state.size() == qsizetype(sizeof BookmarkSignature - 1))
        read.error = QStringLiteral("The %1 %2 holds no state of the game.").arg(what, Shown(path));
    if (read.error.isEmpty())
        read.state.remove(0, qsizetype(sizeof BookmarkSignature - 1));
    else
        read.state.clear();
}

} // namespace

QString BookmarkFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("krelin/bookmarks"));
}

QString BookmarkPath(const QString &imageFile, const QString &stageName)
{
    const QFileInfo image(imageFile);
    // The name says which image it is at a glance; the hash of the whole path keeps two
    // images of one name in other folders apart.
    const QByteArray hash =
        QCryptographicHash::hash(QFile::encodeName(image.absoluteFilePath()), QCryptographicHash::Sha1).toHex().left(12);
    const QString tail = QStringLiteral("-%1 %2").arg(QString::fromLatin1(hash), stageName) + Suffix;
    const qsizetype room = 255 - QFile::encodeName(tail).size();
    return QDir(BookmarkFolder()).filePath(CutToFit(image.fileName(), room) + tail);
}

QString NameOnlyBookmarkPath(const QString &imageFile, const QString &stageName)
{
    return QDir(BookmarkFolder()).filePath(QStringLiteral("%1 %2").arg(QFileInfo(imageFile).fileName(), stageName) + Suffix);
}

QStringList ExistingBookmarks(const QString &imageFile, const QString &stageName)
{
    QStringList found;
    for (const QString &path : {BookmarkPath(imageFile, stageName), NameOnlyBookmarkPath(imageFile, stageName)})
        if (QFileInfo::exists(path) || QFileInfo(path).isSymLink())
            found << path;
    return found;
}

BookmarkRead ReadBookmark(const QString &path)
{
    const QString what = QStringLiteral("bookmark");
    BookmarkRead read = ReadFile(path, what);
    if (read.exists && read.error.isEmpty())
        TakeState(read, path, what);
    return read;
}

BookmarkRead ReadStateFile(const QString &path)
{
    const QString what = QStringLiteral("state file");
    BookmarkRead read = ReadFile(path, what);
    if (!read.exists)
        read.error = QStringLiteral("The %1 %2 does not exist.").arg(what, Shown(path));
    if (read.error.isEmpty() && read.state.startsWith(BookmarkSignature))
        TakeState(read, path, what);
    return read;
}

QString WriteBookmark(const QString &path, const QByteArray &state)
{
    if (!MakePrivateFolder(QFileInfo(path).absolutePath()))
        return QStringLiteral("Cannot keep the bookmark %1: its folder cannot be made.").arg(Shown(path));
    const QString failure = ReplaceFileContents(path, QByteArray(BookmarkSignature) + state);
    if (!failure.isEmpty())
        return QStringLiteral("Cannot keep the bookmark %1: %2.").arg(Shown(path), failure);
    MakePrivateFile(path);
    return {};
}

QString DeleteBookmarks(const QStringList &paths)
{
    for (const QString &path : paths) {
        const QByteArray name = QFile::encodeName(path);
        if (::unlink(name.constData()) != 0 && errno != ENOENT) {
            const int error = errno;
            return QStringLiteral("Cannot delete the bookmark %1: %2.").arg(Shown(path), SystemWriteReason(error));
        }
    }
    return {};
}

} // namespace krelin
