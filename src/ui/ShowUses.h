#pragma once

#include <QObject>

class QAction;
class QComboBox;
class QLabel;
class QMainWindow;
class QToolBar;

namespace krelin {

class LevelEditor;
class modKrelin;

// The main window's part in showing what an edit reaches beyond the stage shown: Edit >
// Show Uses (the outlines, the dimmed table entries and the line that counts the selected
// metatile's uses) and the room box's note of the stages that read its byte.
class ShowUses : public QObject
{
    Q_OBJECT

public:
    ShowUses(const modKrelin &model, LevelEditor &editor, QComboBox *cboRoomEditor, QMainWindow *window);

    QAction *mnuShowUses;

    void mnuShowUses_Click(bool on);

private:
    void showUses();
    void showRoomSharing();

    const modKrelin &model;
    LevelEditor &editor;
    QComboBox *cboRoomEditor;
    // A line of its own between the map and the status bar, shown with the marks.
    QToolBar *tbUses;
    QLabel *lblUses;
};

} // namespace krelin
