#pragma once

#include <QString>

namespace krelin {

// The tile sheet commands, run without a window:
//   krelin --export-tiles SHEET.png --stage S [--subpalette N] IMAGE
//   krelin --import-tiles SHEET.png --stage S [--subpalette N] IMAGE OUT

// True when the command line names either of them.
bool WantsTileSheetCommand(int argc, char **argv);

// Runs the command and returns the exit status: 0 on success; on any error one line on
// standard error, status 1 and no file written.
int RunTileSheetCommand(int argc, char **argv);

struct TileSheetRequest
{
    QString sheetPath;
    QString stageName;
    int subPalette = 0; // 0..3
    QString imagePath;
    QString outPath; // the import's output image
};

// The two commands' work, with the window's own sheet code. Each returns an empty
// string on success, otherwise a one-line message; nothing is written then. Colours come
// from the image's palette through Krelin.d_p in programFolder (the built-in standard
// palette, with a warning on paletteWarning, when it cannot be read). The output is never
// one of the inputs and is written through a temporary file.
QString ExportTileSheet(const TileSheetRequest &request, const QString &programFolder,
                        QString *paletteWarning = nullptr);
// *nearest is set to the number of pixels of a sheet read by colour that had none of the
// four colours.
QString ImportTileSheet(const TileSheetRequest &request, const QString &programFolder,
                        QString *paletteWarning = nullptr, qint64 *nearest = nullptr);

} // namespace krelin
