#pragma once

#include <QObject>

#include <array>

class QAction;
class QComboBox;
class QMenu;
class QScrollBar;
class QWidget;

namespace krelin {

class Desktop;
class LevelEditor;
class PictureSurface;
class modKrelin;

// The main window's part that says where the user is and moves them: choosing a stage
// (Edit > Level), the frame and page scroll bars with the mouse wheel and Page Up / Page
// Down, the room box that shows and sets the frame's room, and the hidden refresh. When
// the image no longer holds the stage shown, it takes the stage off the window.
class Navigation : public QObject
{
    Q_OBJECT

public:
    // The controls are the window's; the level editor is the logic behind them.
    struct Controls
    {
        PictureSurface *picEditor;
        PictureSurface *picTile;
        QScrollBar *hLevel_Frames;
        QScrollBar *hsTable;
        QComboBox *cboRoomEditor;
    };
    Navigation(modKrelin &model, LevelEditor &editor, Desktop &desktop, const Controls &controls, QWidget *window);

    // Edit > Level's twelve stages, in the stage table's order (mnuEdit_Level_1A ...).
    QMenu *mnuEdit_Level;
    std::array<QAction *, 12> mnuEdit_Level_Stage;
    // Never shown and without a key: what the tool windows' refresh runs.
    QAction *mnuRefresh;

    // ---- handlers ------------------------------------------------------------------------
    // Stage selection: index into the stage table (0 = 1A ... 11 = 7). Returns false,
    // changing nothing, when the open image is too short for the stage.
    bool mnuEdit_Level_Click(int stageIndex);
    void mnuRefresh_Click();
    void hLevel_Frames_Change(int value);
    void hsTable_Change(int value);
    void cboRoomEditor_Click(int index);
    // Move the frame or the table page by steps (negative: back), as far as they go.
    void stepFrame(int steps);
    void stepPage(int steps);

signals:
    void warning(const QString &text);

private:
    void ResetStage();
    void LoadFrameRooms();
    // Takes the chosen stage off the window when the open image cannot hold it.
    void dropStage();
    // After the image was replaced: when it no longer holds the stage shown, takes the
    // stage off the window and says why.
    void keepStageIfHeld();
    // Selects the room box entry of the room that the image gives the current frame.
    void showRoomOfFrame();

    modKrelin &model;
    LevelEditor &editor;
    Desktop &desktop;
    Controls controls;
    QWidget *window;
};

} // namespace krelin
