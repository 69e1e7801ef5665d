#pragma once

namespace krelin {

// The player process (krelin --player --socket FD): runs a libretro core for the editor,
// which talks to it over the socket FD it inherited. It starts the core on the image the
// editor sends, runs frames, reloads the image as edits arrive and saves and restores
// states; each request is answered in turn. It ends when the editor closes the socket,
// and ends with a message saying why when the core cannot be used or crashes. It never
// sees the image's file, only its bytes. Returns the process's exit status.
int RunPlayerProcess(int socket);

} // namespace krelin
