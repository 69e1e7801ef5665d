#include "PatchCommand.h"

#include "ArgumentNames.h"
#include "PatchInfoCommand.h"

#include "core/Patch.h"
#include "core/RomFile.h"
#include "core/SameFile.h"

#include <QFile>

#include <cstdio>

namespace krelin {

namespace {

constexpr char MakeOption[] = "--make-patch";
constexpr char ApplyOption[] = "--apply-patch";

// Refuses an output that is one of the inputs: writing it would destroy that input.
QString sameFileProblem(const QString &outPath, const QString &inputPath, const char *what)
{
    if (!IsSameFile(outPath, inputPath))
        return {};
    return QStringLiteral("Will not write %1: it is the same file as the %2 %3.")
        .arg(ShownPath(outPath), QLatin1String(what), ShownPath(inputPath));
}

} // namespace

bool WantsPatchCommand(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i)
        if (IsOptionArgument(argv[i], MakeOption) || IsOptionArgument(argv[i], ApplyOption))
            return true;
    return false;
}

QString MakePatchFile(const QString &outPath, const QString &originalPath, const QString &modifiedPath,
                      const PatchDescription &description)
{
    for (const QString &problem : {sameFileProblem(outPath, originalPath, "original image"),
                                   sameFileProblem(outPath, modifiedPath, "modified image")})
        if (!problem.isEmpty())
            return problem;
    const RomReadResult original = ReadRomFile(originalPath);
    if (!original.ok())
        return original.error;
    const RomReadResult modified = ReadRomFile(modifiedPath);
    if (!modified.ok())
        return modified.error;
    return WriteDescribedPatchFile(outPath, original.bytes, modified.bytes, description);
}

QString ApplyPatchFile(const QString &patchPath, const QString &imagePath, const QString &outPath)
{
    for (const QString &problem : {sameFileProblem(outPath, imagePath, "image"),
                                   sameFileProblem(outPath, patchPath, "patch")})
        if (!problem.isEmpty())
            return problem;
    const PatchResult patch = ReadPatchFile(patchPath);
    if (!patch.ok())
        return patch.error;
    const RomReadResult image = ReadRomFile(imagePath);
    if (!image.ok())
        return image.error;
    const PatchResult patched = ApplyPatch(patch.bytes, image.bytes);
    if (!patched.ok())
        return QStringLiteral("Cannot apply %1 to %2: %3.").arg(ShownPath(patchPath), ShownPath(imagePath), patched.error);
    // What is written is a cartridge image too: one that lost its header would be refused
    // by every later open, so it is refused before it is written.
    if (!HasCartridgeHeader(patched.bytes))
        return QStringLiteral("Cannot apply %1 to %2: the image it makes has no cartridge header (\"NES\" and 1A "
                              "at its start), so it would not be a cartridge image. Nothing was written.")
            .arg(ShownPath(patchPath), ShownPath(imagePath));
    return WriteRomFile(outPath, patched.bytes);
}

int RunPatchCommand(int argc, char **argv)
{
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QFile::decodeName(argv[i]);
    PatchDescription description;
    const bool described = TakePatchDescription(args, description);
    const bool make = args.size() == 5 && args[1] == QLatin1String(MakeOption);
    const bool apply = !described && args.size() == 5 && args[1] == QLatin1String(ApplyOption);
    if (!make && !apply) {
        std::fprintf(stderr, "krelin: Usage: krelin --make-patch OUT.ips|OUT.bps ORIGINAL MODIFIED [--description "
                             "TEXT] [--author NAME], or krelin --apply-patch PATCH IMAGE OUT\n");
        return 2;
    }
    const QString &a = args[2], &b = args[3], &c = args[4];
    const QString error = make ? MakePatchFile(a, b, c, description) : ApplyPatchFile(a, b, c);
    if (error.isEmpty())
        return 0;
    std::fprintf(stderr, "krelin: %s\n", qPrintable(error));
    return 1;
}

} // namespace krelin
