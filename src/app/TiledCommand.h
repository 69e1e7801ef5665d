#pragma once

#include <QString>
#include <QStringList>

namespace krelin {

// A stage as a map of the map editor Tiled, and back, without a window:
//   krelin --export-tiled OUT.tmx|OUT.tmj --stage S IMAGE
//   krelin --import-tiled IN.tmx|IN.tmj --stage S [--other-image] IMAGE OUT
// The import prints what it changed, as `krelin --diff IMAGE OUT` would.

// True when the command line names either of them.
bool WantsTiledCommand(int argc, char **argv);

// Runs the command and returns the exit status: 0 on success; on any error one line on
// standard error, status 1 and no file written.
int RunTiledCommand(int argc, char **argv);

struct TiledRequest
{
    QString mapPath;
    QString stageName;
    QString imagePath;
    QString outPath;          // the import's output image
    bool otherImage = false;  // import a map made from another image
};

// The two commands' work. Each returns an empty string on success, otherwise a one-line
// message; nothing is written then. The export's colours come from the image's palette
// through Krelin.d_p in programFolder (the built-in standard palette, with a warning on
// paletteWarning, when it cannot be read). *summary gets the import's changes.
QString ExportTiledMap(const TiledRequest &request, const QString &programFolder, QString *paletteWarning = nullptr);
QString ImportTiledMap(const TiledRequest &request, QStringList *summary = nullptr);

} // namespace krelin
