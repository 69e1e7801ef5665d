#pragma once

#include "core/DiskIdentity.h"

#include <QString>

#include <cstdint>
#include <span>

class QWidget;

namespace krelin {

class Desktop;

// Tells when another program changed or deleted the open file since this program last read
// or wrote it, and asks the user what to do: before a save (which writes nothing unless
// the answer is to overwrite), and when the program becomes active again. Looking costs
// no read of the file unless its size or time changed.
class DiskChangeGuard
{
public:
    enum class Decision { Go, Overwrite, Recreate, Reload, Cancel };

    DiskChangeGuard(Desktop &desktop, QWidget *window);

    // The file is at path with these bytes, as just read or written; nothing is known
    // for an empty path.
    void remember(const QString &path, std::span<const std::uint8_t> bytes);
    const QString &path() const { return file; }

    // Before a save over the file: Go (nothing changed) and Overwrite write it, Recreate
    // writes a file that another program deleted (the save says so once it is done),
    // Reload opens it as it now is instead, Cancel writes nothing.
    Decision beforeSave();
    // The program became active: asks about a change not asked about yet. Overwrite: save
    // the image here now; Reload: open the file as it now is; Go and Cancel: nothing now
    // (a save asks again).
    Decision onActivation();

private:
    Decision ask(const DiskIdentity &now, bool saving);

    Desktop &desktop;
    QWidget *window;
    QString file;
    DiskIdentity known;  // as last read or written here
    DiskIdentity asked;  // the change the user was last asked about
    bool asking = false; // a question is up: the activations it causes ask nothing
};

} // namespace krelin
