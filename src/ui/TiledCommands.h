#pragma once

#include "core/SameFile.h"
#include "tiled/TiledMapFile.h"

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
// user chose not to be asked again) and taken in as one step. A map there that holds work
// not taken in is never written over without a question (Take In, Replace, Cancel), and
// one replaced is kept beside it. At start, the live folders that ended programs left
// behind are cleared, the maps holding work not taken in kept in the state folder, and
// the user told where.
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

    // Where the maps that ended programs left with work not taken in are kept.
    static QString KeptMapsFolder();

signals:
    void warning(const QString &text);
    void statusMessage(const QString &text);

private:
    // The current stage when it fits the image; otherwise nullptr, the user told why.
    const Stage *shownStage();
    QString baseName() const;
    // The files an export may not write over.
    QList<InputFile> exportInputs() const;
    QString startFolder() const;
    // How a map comes to be taken in, which says what is asked first.
    enum class Source {
        Import,      // File > Import: the changes asked about, another image's map too
        LiveSave,    // saved in Tiled: the changes asked about unless the user said not to
        ChosenTakeIn // Take In chosen for a map holding work: another image's map asked about
    };
    // Asks about the map as source has it and takes it in as one step, named after the map
    // and the stage; true when it was taken in or held the stage as it is.
    bool takeIn(const TiledStageImport &import, const QString &mapName, Source source);
    void mapSaved(const Stage *stage, const QString &path, const TiledMapRead &read, const QByteArray &hash);
    // Takes up the first save that waited for an answer, once none is being asked.
    void answerWaiting();
    // Whether the editor's stage may be written to the live map at path: a map holding work
    // not taken in is asked about, and taken in or kept aside (*keptAside its new path) as
    // the user chooses.
    bool mayWriteLiveMap(const QString &path, QString *keptAside);
    void leftoversCleared(const QStringList &kept);

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
    struct Save
    {
        const Stage *stage;
        QString path;
        TiledMapRead read;
        QByteArray hash;
    };
    std::vector<Save> waiting; // saves that came meanwhile, the latest of each map
};

} // namespace krelin
