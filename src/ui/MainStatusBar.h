#pragma once

#include "views/StatusText.h"
#include "widgets/FittedLabel.h"

#include <QStatusBar>

class QLabel;
class QScrollBar;

namespace krelin {

class LevelEditor;
class MapTools;
class PictureSurface;
class modKrelin;

// The main window's status bar: on the left what lies under the pointer, on the right
// where the user is (stage, frame, page and selected metatile).
class MainStatusBar : public QStatusBar
{
    Q_OBJECT

public:
    explicit MainStatusBar(QWidget *parent = nullptr);

    // Keeps the texts up to date from then on: they follow the pointer over the map and
    // the table, the stage, frame, page and selection, and every change of the image. Over
    // the level map, in any view of it, the cell is the one the map's tools work on.
    void follow(const modKrelin &model, const LevelEditor &editor, const MapTools &tools, PictureSurface *map,
                PictureSurface *table, QScrollBar *frames, QScrollBar *pages);

    void showPlace(const PlaceTexts &place);
    // What lies under the pointer, its whole text first, then shorter forms of it; none
    // while the pointer is over neither the level map nor the metatile table.
    void showPointer(const QStringList &longestFirst);
    // The message (showMessage()) as it is shown: cut with "…" where the fields on the
    // right begin, if it is longer than the room it has.
    QString shownMessage() const;

    FittedLabel *lblPointer;
    QLabel *lblStage;
    QLabel *lblFrame;
    QLabel *lblPage;
    QLabel *lblMetaTile;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void showStatus();
    QList<QWidget *> fieldsOnTheRight() const;
    QRect messageRoom() const;

    // Which surface the pointer is over.
    enum class Pointer { None, Map, Table };
    Pointer pointerOver = Pointer::None;
    const modKrelin *model = nullptr;
    const LevelEditor *editor = nullptr;
    const MapTools *tools = nullptr;
};

} // namespace krelin
