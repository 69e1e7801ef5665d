#pragma once

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

// text as a message may quote it: each control character written as an escape (\n,
// \x01), so that the message stays on one line whatever was typed, and each character
// that turns the direction of the text around it (\x202e) too.
QString QuotableText(const QString &text);

// Draws a stage's level map with the window's own drawing code and writes it as a PNG.
// Returns an empty string on success, otherwise a one-line message; nothing is written
// then. Colours come from Krelin.d_p in programFolder (the built-in standard palette,
// with a warning on paletteWarning, when it cannot be read).
QString ExportLevel(const ExportRequest &request, const QString &programFolder, QString *paletteWarning = nullptr);

} // namespace krelin
