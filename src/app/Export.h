#pragma once

#include "core/ShownText.h"

#include <QString>

namespace krelin {

struct ExportRequest
{
    QString imagePath;
    QString outputPath;
    QString stageName;
    int frame = -1; // -1: the whole stage as one strip
    bool consoleColors = false; // colour 0 of every sub-palette as the console shows it
};

// QuotableText, which the commands' messages quote names and values with, is in
// core/ShownText.h.

// Draws a stage's level map with the window's own drawing code and writes it as a PNG.
// Returns an empty string on success, otherwise a one-line message; nothing is written
// then. Colours come from Krelin.d_p in programFolder (the built-in standard palette,
// with a warning on paletteWarning, when it cannot be read).
QString ExportLevel(const ExportRequest &request, const QString &programFolder, QString *paletteWarning = nullptr);

} // namespace krelin
