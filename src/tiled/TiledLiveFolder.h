#pragma once

#include "core/ImageLayout.h"
#include "tiled/TiledMapFile.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>
#include <vector>

class QLockFile;
class QSocketNotifier;
class QTemporaryDir;

namespace krelin {

class modKrelin;
struct Stage;

// Stages edited live in the map editor Tiled. Each stage is exported as a map into a
// folder of its own under the system's temporary folder (made again when it is gone),
// and the editor's command is started on it without waiting.
//
// From then on every change of a map's content is announced once: a save by rename or
// written into the file, in one write or several, of the same size or another. The
// folder is watched for writes and for the writer closing the file (and looked at every
// PollMilliseconds besides); a map is read once its writer has closed it and the folder
// has been quiet for SettleMilliseconds, off the window's thread, and its content
// compared by a hash with what was last announced. A map that does not read is read
// again RetryMilliseconds later, and is announced as refused only when it is still the
// same broken content after RetryCount tries: a write half done is never taken in, and a
// save that leaves the content as it was announces nothing.
//
// Beside each map the folder keeps a hash of the content last written here or taken in
// (MarkTakenIn), so that work saved in Tiled and not taken in is known: a second Edit
// Stage in Tiled asks before it replaces such a map, and at the end of the program the
// folder is left for the next start, which keeps those maps (RemoveLeftovers). A folder
// whose maps hold nothing new goes with the program.
class TiledLiveFolder : public QObject
{
    Q_OBJECT

public:
    explicit TiledLiveFolder(QObject *parent = nullptr);
    ~TiledLiveFolder() override;

    // Writes the model's current stage (which must fit the image) in colors as mapName
    // (a file name ending in .tmx) in the folder, watches it, and starts command on it:
    // the command's words split as a shell splits them, "%f" standing for the map's path
    // (or the path added as the last word). Writing the same stage again replaces its map;
    // ask HoldsWorkNotTakenIn() first. Returns an empty string when the command started,
    // otherwise what went wrong.
    QString start(const QString &command, const modKrelin &model, const BgColorSet &colors, const QString &mapName);

    // The map of stage in the folder; empty when it has none.
    QString mapPath(const Stage &stage) const;
    // The maps followed.
    QStringList mapPaths() const;
    // The folder; empty before the first start.
    QString folderPath() const;
    // Where the map named mapName would be written.
    QString pathFor(const QString &mapName) const;

    // Stops following every map: their saves are announced no more (another image was
    // opened). The folder stays until the end.
    void stopAll();

    // Moves the map at path aside, to a name of its own beside it ("…-replaced-1.tmx"),
    // before the editor's stage replaces it. The new path, or an empty string and *error.
    QString keepAside(const QString &path, QString *error);

    // How long the folder must be quiet after a change before the map is read.
    static constexpr int SettleMilliseconds = 150;
    // How long after a map that did not read it is read again, and how many times.
    static constexpr int RetryMilliseconds = 300;
    static constexpr int RetryCount = 3;
    // How long a writer that keeps the file open must have written nothing before the map
    // is read all the same.
    static constexpr int WriterQuietMilliseconds = 2000;
    // How often the maps' sizes and times are compared, besides what the folder tells.
    static constexpr int PollMilliseconds = 500;

    // The hash a map's content is compared by.
    static QByteArray ContentHash(const QByteArray &content);
    // Whether the map at path holds content not written by the editor nor taken in since:
    // work saved in Tiled that a new write would lose. Reads the file (an empty hash and
    // false when there is none).
    static bool HoldsWorkNotTakenIn(const QString &path);
    // The map at path, with the content of hash, was taken in (or holds the stage as it
    // is): the editor may replace it from now on.
    static void MarkTakenIn(const QString &path, const QByteArray &hash);

    // Clears the live folders that programs of this user's, no longer running, left in the
    // system's temporary folder, and whose Tiled no longer runs on them. Maps there that
    // hold work not taken in are first copied, with their tileset pictures, into a folder
    // of their own under keepFolder. Returns the paths of the maps kept. Reads files:
    // call it off the window's thread.
    static QStringList RemoveLeftovers(const QString &keepFolder);

signals:
    // The map of stage at path has new content, read as read (an error when it is still
    // broken after its writer is done), its content's hash hash.
    void mapSaved(const krelin::Stage *stage, const QString &path, const krelin::TiledMapRead &read,
                  const QByteArray &hash);

private:
    struct Map;
    struct Reading;

    bool makeFolder(QString *error);
    void forgetFolder();
    void folderEvents();
    void wake();
    void readChanges();
    void pollStamps();
    void retryBroken();
    void startReading(Map &map);
    void readDone(const Reading &reading);
    Map *mapAt(const QString &path);

    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<QLockFile> owner; // in the folder, while it is this program's
    int notifyFd = -1;                // the folder's inotify descriptor
    std::unique_ptr<QSocketNotifier> notifier;
    QTimer settle;
    QTimer poll;
    QTimer retry;
    std::vector<std::unique_ptr<Map>> maps;
    int nextGeneration = 1;
};

} // namespace krelin
