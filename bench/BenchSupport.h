#pragma once

// What the benchmark programs share: the model they draw from, surfaces, an application
// object for the windows, a desktop that asks nothing, and the list of benchmarks that
// --ratio reports against DrawLevel.

#include "core/modKrelin.h"
#include "edit/EditHistory.h"
#include "views/LevelEditor.h"
#include "views/MainMapInput.h"
#include "views/MapTools.h"
#include "widgets/PictureSurface.h"
#include "widgets/Desktop.h"

#include <QImage>

#include <string>
#include <utility>
#include <vector>

namespace krelin::bench {

// The image the benchmarks read: the sample cartridge unless --image=PATH says otherwise.
void SetImagePath(const std::string &path);
const std::string &ImagePath();

// The model every benchmark draws from: stage 1A of the image, with the standard palette.
// "sample image", or "synthetic image" when the file does not hold every stage's data.
modKrelin &Model();
const char *ImageSource();

// A surface the size of the main window's level map.
QImage LevelSurface();

// A model of its own on stage 3 (24 frames), with the colours the main window resolves.
modKrelin &StageThree();

// Sends a pointer move to a surface at position (widget coordinates), as the window
// system delivers it.
void MovePointer(QWidget *surface, const QPointF &position);

// Stage 1A on the main window's surfaces (the map a surface of its own, with the tools
// following the pointer on it), metatile 1 selected and placed once where it was not,
// with an undo or redo repainting what it restores as the main window does: where the
// edit benchmarks start from. The history goes back to the start when it is done.
struct PlacedMetaTile
{
    explicit PlacedMetaTile(bool showUses);
    ~PlacedMetaTile();
    // Undoes the placement, or redoes it after an undo: one step back or forth in turn.
    void undoOrRedo();
    // Moves the pointer into cell (col, row) of the map.
    void pointAt(int col, int row);

    modKrelin &model;
    PictureSurface surface;
    QImage &map;
    QImage table, selected;
    EditHistory history;
    LevelEditor editor;
    MapTools tools;
    MainMapInput input;

private:
    bool undoNext = true;
};

// Widgets need an application object (PlacedMetaTile calls this itself); windows are drawn off screen, so that the figures
// do not depend on a display.
void NeedApplication();

// A desktop that shows nothing and answers every question No (or Cancel).
class QuietDesktop : public Desktop
{
public:
    QString getOpenFileName(QWidget *, const QString &, const QString &, const QString &) override { return {}; }
    QString getSaveFileName(QWidget *, const QString &, const QString &, const QString &) override { return {}; }
    void showMessage(QWidget *, const QString &, const QString &, Icon) override {}
    bool askYesNo(QWidget *, const QString &, const QString &) override { return false; }
    std::optional<QString> askText(QWidget *, const QString &, const QString &, const QString &) override
    {
        return std::nullopt;
    }
    SaveAnswer askSaveChanges(QWidget *, const QString &, const QString &) override { return SaveAnswer::Cancel; }
    int askChoice(QWidget *, const QString &, const QString &, const QStringList &, int, int cancel) override
    {
        return cancel;
    }
    void openUrl(const QUrl &, const std::function<void()> &) override {}
    void playSound(const QString &) override {}
    void stopSound() override {}
    bool hasSystemTray() override { return false; }
    void quit() override {}
};

// Benchmarks that --ratio runs and reports as a ratio to DrawLevel: the function name
// ("BM_PointerMove") and what it times ("pointer move"). Register with a static:
//   static const bool ratio = RatioToDrawLevel("BM_PointerMove", "pointer move");
bool RatioToDrawLevel(const char *benchmark, const char *label);
// The same for a benchmark whose work is partly done in another process (the player's):
// its wall-clock time is compared, not this process's CPU time.
bool RatioToDrawLevelInRealTime(const char *benchmark, const char *label);
bool IsRealTimeRatio(const std::string &benchmark);
const std::vector<std::pair<std::string, std::string>> &RatiosToDrawLevel();

} // namespace krelin::bench
