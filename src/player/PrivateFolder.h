#pragma once

#include <QString>

namespace krelin {

// Makes path a folder that only its owner may enter (0700), with the folders above it as
// the system makes them: a folder that holds the user's own games (bookmarks, the core's
// saves). A folder already there is made private too, unless it is a link (the user's
// choice, left alone). False when it is not a folder once done.
bool MakePrivateFolder(const QString &path);

// Makes the file at path readable and writable by its owner alone (0600).
bool MakePrivateFile(const QString &path);

} // namespace krelin
