#pragma once

#include <QObject>
#include <QString>

class QAction;
class QScrollBar;
class QWidget;

namespace krelin {

class Desktop;
class LevelEditor;
class MapTools;
class Navigation;
class modKrelin;

// Edit > Go To (Ctrl+G): asks where to go and goes there. A frame ("12") or a stage and a
// frame ("3:12") is shown in the main window (and the stage map) with the cursor on it; a
// metatile ("M2F") puts the cursor on the next cell of the stage that holds it, so that
// Go To again goes on to the one after; an offset ("0x9929") shows whatever lies there with
// its stage: a cell or a frame's room, a metatile (selected, its page turned to), a tile
// (the first metatile drawn with it selected) or a palette entry (in the palette editor).
class GoToCommand : public QObject
{
    Q_OBJECT

public:
    struct Controls
    {
        QScrollBar *hLevel_Frames;
        QScrollBar *hsTable;
    };
    GoToCommand(const modKrelin &model, LevelEditor &editor, MapTools &tools, Navigation &navigation,
                Desktop &desktop, const Controls &controls, QWidget *window);

    QAction *mnuGoTo;

    void mnuGoTo_Click();
    // Goes where text says; false, with the user told why, when it names no place there.
    bool goTo(const QString &text);

signals:
    void warning(const QString &text);
    void statusMessage(const QString &text);
    // The palette editor is to show this entry of the stage's palette.
    void paletteEntryWanted(int entry);

private:
    bool goToFrame(int stageIndex, int frame);
    bool goToMetaTile(int metaTile);
    bool goToOffset(qint64 offset);

    const modKrelin &model;
    LevelEditor &editor;
    MapTools &tools;
    Navigation &navigation;
    Desktop &desktop;
    Controls controls;
    QWidget *window;
    QString lastText;
};

} // namespace krelin
