#pragma once

#include <QFile>
#include <QString>

#include <sys/stat.h>

#include <fcntl.h>

#include <ctime>

// Files in the states that bad input and faults leave them in, for the tests that check
// how the program meets them.
namespace krelin::testing {

// Makes `from` the last of count symbolic links in a row that end at `to` (the others
// are named from.1, from.2 ...). With to equal to from, the links make a loop. Returns
// false when a link cannot be made.
inline bool MakeLinkChain(const QString &to, const QString &from, int count)
{
    QString previous = to;
    for (int i = 1; i < count; ++i) {
        const QString link = from + QStringLiteral(".%1").arg(i);
        if (!QFile::link(previous, link))
            return false;
        previous = link;
    }
    return QFile::link(previous, from);
}

// Sets the file's times to seconds ago, as if it had been left there that long.
inline bool Backdate(const QString &path, std::time_t seconds)
{
    const std::time_t then = std::time(nullptr) - seconds;
    const timespec times[2] = {{then, 0}, {then, 0}};
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW) == 0;
}

} // namespace krelin::testing
