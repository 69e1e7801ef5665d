#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <utility>
#include <vector>

class QAction;
class QMenu;
class QWidget;

namespace krelin {

class Desktop;
class EditHistory;
class Preferences;
class TiledLiveFolder;
class modKrelin;
struct Stage;
struct TiledStageImport;

// The stage shown as a map of the map editor Tiled, and back: File > Export > Stage as
// Tiled Map, File > Import > Tiled Map and Tools > Edit Stage in Tiled. An import shows
// what it changes (as `krelin --diff` says it) and asks first; it is one step of history.
// A map made from another image is taken only after a question. A stage edited in Tiled
// is written to a folder of its own and Tiled started on it (the command kept in the
// preferences); each save there is shown and asked about in the same way (unless the
// user chose not to be asked again) and taken in as one step.
class TiledCommands : public QObject
{
    Q_OBJECT

public:
    TiledCommands(modKrelin &model, EditHistory &history, Desktop &desktop, Preferences &preferences, QWidget *window);
    ~TiledCommands() override;

    QAction *mnuExportTiled;
    QMenu *mnuImport;
    QAction *mnuImportTiled;
    QAction *mnuEditInTiled;

    // False when nothing was written or changed: a dialog was cancelled, the user said
    // No, or has been told what went wrong.
    bool mnuExportTiled_Click();
    bool mnuImportTiled_Click();
    bool mnuEditInTiled_Click();

    // The image at path was opened: the maps of another image in Tiled are followed no more.
    void imageOpened(const QString &path);

    // The folder the stages edited in Tiled are written to; empty before the first.
    QString liveFolder() const;

signals:
    void warning(const QString &text);
    void statusMessage(const QString &text);

private:
    // The current stage when it fits the image; otherwise nullptr, the user told why.
    const Stage *shownStage();
    QString baseName() const;
    QString startFolder() const;
    // Asks about the map and takes it in as one step. live: saved in Tiled, from the
    // program's own folder, so not asked about as another image's.
    bool takeIn(const TiledStageImport &import, const QString &mapName, bool live);
    void mapSaved(const Stage *stage, const QString &path);
    // Takes up the first save that waited for an answer, once none is being asked.
    void answerWaiting();

    modKrelin &model;
    EditHistory &history;
    Desktop &desktop;
    Preferences &preferences;
    QWidget *window;
    QString lastFolder;   // where the last map went or came from
    QString exportFilter; // the format the last map was written in
    std::unique_ptr<TiledLiveFolder> live;
    QString liveImage;    // the image whose stages are edited in Tiled
    bool asking = false;  // a save of Tiled's is being asked about
    std::vector<std::pair<const Stage *, QString>> waiting; // saves that came meanwhile
};

} // namespace krelin
