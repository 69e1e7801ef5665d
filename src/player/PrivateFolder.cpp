#include "PrivateFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace krelin {

bool MakePrivateFolder(const QString &path)
{
    const QByteArray name = QFile::encodeName(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    QDir().mkpath(QFileInfo(QFile::decodeName(name)).path());
    ::mkdir(name.constData(), 0700);
    struct stat info{};
    if (::lstat(name.constData(), &info) != 0)
        return false;
    if (S_ISLNK(info.st_mode))
        return QFileInfo(path).isDir();
    if (!S_ISDIR(info.st_mode))
        return false;
    if ((info.st_mode & 07777) != 0700 && info.st_uid == ::geteuid())
        ::chmod(name.constData(), 0700);
    return true;
}

bool MakePrivateFile(const QString &path)
{
    return ::chmod(QFile::encodeName(path).constData(), 0600) == 0;
}

} // namespace krelin
