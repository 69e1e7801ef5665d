#pragma once

namespace krelin {

// krelin --diff [--json] A B: what differs between two cartridge images, stage by stage,
// as lines of text or (--json) as one JSON object, on standard output. Exits as diff(1)
// does: 0 when the images are the same, 1 when they differ, 2 on trouble (an image that
// cannot be read, a wrong command line, output that cannot be written: one line on
// standard error).

// True when the command line names --diff.
bool WantsDiffCommand(int argc, char **argv);

int RunDiffCommand(int argc, char **argv);

} // namespace krelin
