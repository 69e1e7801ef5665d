#pragma once

#include "core/ImageDiff.h"
#include "core/StageCells.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <optional>
#include <vector>

class QAction;
class QMainWindow;
class QScrollBar;

namespace krelin {

class Desktop;
class DifferencesWindow;
class FileSession;
class LevelEditor;
class Navigation;
class modKrelin;

// The main window's comparison with another image: File > Compare With… reads the other
// image (the reference, A, kept as it was read) and compares the open image (B) with it.
// While comparing, the level map marks the differing cells of the frame shown, the table
// the differing metatiles of the stage, the stage overview the differing frames, and the
// Differences window lists everything; F7 and Shift+F7 walk through the differences and
// View > Stop Comparing ends it.
//
// The comparison follows the open image: an edit brings it up to date from the bytes the
// edit changed alone, and only the marks that come or go are repainted; an image replaced
// by a step (a patch that changes its size, or that step undone) is compared afresh.
// Another image opened (or the file reloaded from disk, or a backup opened) ends it: the
// reference was chosen against the image that was open.
class CompareCommands : public QObject
{
    Q_OBJECT

public:
    struct Controls
    {
        QScrollBar *hLevel_Frames;
        QScrollBar *hsTable;
    };
    CompareCommands(modKrelin &model, LevelEditor &editor, Navigation &navigation, Desktop &desktop,
                    const FileSession &files, const Controls &controls, QMainWindow *window);

    QAction *mnuCompareWith;
    QAction *mnuDifferences;
    QAction *mnuNextDifference;
    QAction *mnuPreviousDifference;
    QAction *mnuStopComparing;

    // ---- handlers ------------------------------------------------------------------------
    // Asks for the other image and compares with it; false when cancelled or refused.
    bool mnuCompareWith_Click();
    // Compares with the image at path (read with the checks of opening): false, leaving
    // everything as it was, when it cannot be read (the user is told why).
    bool compareWith(const QString &path);
    void mnuDifferences_Click();
    void mnuNextDifference_Click();
    void mnuPreviousDifference_Click();
    void mnuStopComparing_Click();
    // Shows a difference: its stage through the stage menu's path, a cell's or a room's
    // frame, a metatile's page of the table (tiles and palette entries: the stage).
    void goTo(const DiffPlace &place);

    bool comparing() const { return active; }
    const ImageDiff &differences() const { return diff; }
    // The Differences window while it is open, else nullptr.
    DifferencesWindow *differencesWindow() const;

signals:
    void warning(const QString &text);
    void statusMessage(const QString &text);
    // The frames of the stage shown that differ (a cell or the room) and its differing
    // cells in every frame (none while not comparing), for the stage map.
    void differencesChanged(const QList<int> &frames, const std::vector<krelin::StageCell> &cells);

private:
    void imageChanged(qint64 offset, qint64 length);
    void imageReplaced();
    void stageChosen();
    void stop(const QString &why);
    // Brings the marks of the stage and frame shown up to the comparison as it now is.
    void showMarks();
    // The list is made again once the events at hand are done: a run of edits makes it once.
    void listLater();
    void showList();
    void step(bool forward);
    // Where F7 starts: the difference last gone to while it is still on screen, else the
    // frame shown, else the start (or end) of everything.
    std::optional<DiffPlace> here() const;
    QString placeText(const DiffPlace &place) const;

    modKrelin &model;
    LevelEditor &editor;
    Navigation &navigation;
    Desktop &desktop;
    const FileSession &files;
    Controls controls;
    QMainWindow *window;

    bool active = false;
    std::vector<std::uint8_t> reference;
    QString referenceName;
    ImageDiff diff;
    std::optional<DiffPlace> current;
    QList<int> markedFrames;
    std::vector<StageCell> markedCells;
    bool listPending = false;
    QPointer<DifferencesWindow> listWindow;
    // Where F7 went, told a moment after the note that it came round.
    QTimer placeAfterNote;
    QString pendingPlace;
};

} // namespace krelin
