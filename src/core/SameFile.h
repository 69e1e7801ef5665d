#pragma once

#include <QList>
#include <QString>

namespace krelin {

// True when both paths name one existing file: the same device and inode, whatever the
// spelling, a symbolic link or a hard link in between. Links are followed by
// ResolveLinks, as every reader and writer of the program follows them, so a file that a
// write would reach through a path is the file compared here. A path that does not exist
// names no file, so it is never the same as another; nor is one whose links cannot be
// followed (too many, or a loop), which every read and write refuses in turn.
bool IsSameFile(const QString &a, const QString &b);

// A file a command reads, and what it is to the command ("image", "map", "tileset"):
// writing over it would destroy what the command was made from.
struct InputFile
{
    QString path;
    QString what;
};

// Why output may not be written: "Will not write OUT: it is the same file as the tileset
// TS.", for the first of inputs that output names (IsSameFile); empty when it names none.
QString OutputOverInputProblem(const QString &output, const QList<InputFile> &inputs);

} // namespace krelin
