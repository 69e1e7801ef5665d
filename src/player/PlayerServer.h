#pragma once

#include <QString>

#include <cstddef>
#include <functional>
#include <memory>

namespace krelin {

class CoreHost;

// Opens the core at path, or says why not.
using CoreOpener = std::function<std::unique_ptr<CoreHost>(const QString &path, QString *error)>;

// The player's side of its socket: reads the editor's requests (PlayerMessages.h) one at a
// time and answers each in turn. It starts the core on the image the editor sends (the
// core opened by openCore: by default CoreHost::open in the core's own folders), runs
// frames, reloads the image as edits arrive, saves and restores states. The first request
// it cannot take (one it cannot read, an edit outside the image, a core that cannot be
// used) ends the serving with a Failed message that says why. Returns 0 when the editor
// closed the socket, 1 when a request ended it.
int ServeEditor(int socket, const CoreOpener &openCore = {});

// Writes all the bytes to the socket, as a signal handler may (no allocation, no lock).
bool WriteWhole(int socket, const char *bytes, std::size_t size);

} // namespace krelin
