#pragma once

#include <QFile>
#include <QTemporaryDir>

// The user's data folder (backups, stamps) as a folder of the test's own, set while the
// object lives, from before the window that reads it is made.
namespace krelin::testing {

struct DataFolder
{
    QTemporaryDir data;
    DataFolder() { qputenv("XDG_DATA_HOME", QFile::encodeName(data.path())); }
    QString path(const QString &name) const { return data.filePath(name); }
};

} // namespace krelin::testing
