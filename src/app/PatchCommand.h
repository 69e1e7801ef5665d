#pragma once

#include "core/PatchInfo.h"

#include <QString>

namespace krelin {

// The patch commands, run without a window:
//   krelin --make-patch OUT.ips|OUT.bps ORIGINAL MODIFIED [--description TEXT] [--author NAME]
//   krelin --apply-patch PATCH IMAGE OUT

// True when the command line names either patch command.
bool WantsPatchCommand(int argc, char **argv);

// Runs the command and returns the exit status: 0 on success; on any error one line on
// standard error, a non-zero status and no file written.
int RunPatchCommand(int argc, char **argv);

// The two commands' work. Each returns an empty string on success, otherwise a message
// naming the file and what is wrong. The output never replaces one of the inputs, and is
// written through a temporary file, so a failure leaves any old file whole.
// A BPS patch carries the description (see PatchInfo.h); an IPS patch refuses one.
QString MakePatchFile(const QString &outPath, const QString &originalPath, const QString &modifiedPath,
                      const PatchDescription &description = {});
QString ApplyPatchFile(const QString &patchPath, const QString &imagePath, const QString &outPath);

} // namespace krelin
