#pragma once

#include "core/PatchInfo.h"

#include <QStringList>

namespace krelin {

// krelin --patch-info PATCH: prints what a patch says of itself (format, sizes, checksums,
// description) on standard output. Exits 0; 1 when the patch cannot be read or a BPS
// patch's own checksum does not hold (one line on standard error), 2 for a wrong command
// line.

// True when the command line names --patch-info.
bool WantsPatchInfoCommand(int argc, char **argv);

int RunPatchInfoCommand(int argc, char **argv);

// Takes the options that describe a patch being made, --description TEXT and --author NAME
// (or --description=TEXT, --author=NAME), out of arguments into description. Returns
// whether there was one. An option without its value is left in place.
bool TakePatchDescription(QStringList &arguments, PatchDescription &description);

} // namespace krelin
