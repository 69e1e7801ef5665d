#pragma once

#include <QStringList>
#include <QtGlobal>

namespace krelin {

// What the libraries under Qt say while a command works, held back so that the command
// prints one line in all. libpng warns through Qt's messages, but prints its errors on
// standard error itself: both are caught, from the making of this object until finish().
class LibraryWarnings
{
public:
    LibraryWarnings();
    ~LibraryWarnings();
    LibraryWarnings(const LibraryWarnings &) = delete;
    LibraryWarnings &operator=(const LibraryWarnings &) = delete;

    // Stops catching, and returns what was said, a line each without its "warning" or
    // "error" ("libpng: IDAT: CRC error"), the first few only.
    QStringList finish();

private:
    int caught = -1;      // where standard error goes meanwhile
    int standardError = -1; // the real one, put back by finish()
    QtMessageHandler previous = nullptr;
    bool finished = false;
};

} // namespace krelin
