#pragma once

#include <QObject>
#include <QString>

class QAction;
class QWidget;

namespace krelin {

class Desktop;
class EditHistory;
class LevelEditor;
class modKrelin;

// File > Export Tiles and Import Tiles: the stage's 256 tiles as a PNG sheet to draw on
// in a paint program, and back. The sheet is in the colours of the sub-palette of the
// metatile selected in the table. An import is one step of history; before it the user
// is told which stages share the tiles, how many tiles change and, for a picture read by
// colour, how many pixels had none of the four colours.
class TileSheetCommands : public QObject
{
    Q_OBJECT

public:
    TileSheetCommands(modKrelin &model, EditHistory &history, LevelEditor &editor, Desktop &desktop, QWidget *window);

    QAction *mnuExportTiles;
    QAction *mnuImportTiles;

    // False when nothing was written or changed: a dialog was cancelled, the user said
    // No, or the user has been told what went wrong.
    bool mnuExportTiles_Click();
    bool mnuImportTiles_Click();

signals:
    void statusMessage(const QString &text);

private:
    // The stage's sub-palette the sheet is in, or -1 (the user told why) when the stage
    // does not fit the image.
    int sheetSubPalette();
    QString startFolder() const;

    modKrelin &model;
    EditHistory &history;
    LevelEditor &editor;
    Desktop &desktop;
    QWidget *window;
    QString lastFolder; // where the last sheet went or came from
};

} // namespace krelin
