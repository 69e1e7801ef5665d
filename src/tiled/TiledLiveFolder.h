#pragma once

#include "core/ImageLayout.h"

#include <QByteArray>
#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>
#include <vector>

class QTemporaryDir;

namespace krelin {

class modKrelin;
struct Stage;

// Stages edited live in the map editor Tiled. Each stage is exported as a map into a
// folder of its own under the system's temporary folder, and the editor's command is
// started on it without waiting. From then on every save Tiled makes of a map there is
// announced once, after the writing has settled: a save that leaves the file as it was
// announces nothing. The folder and what is in it go when this object does, that is when
// the program ends.
class TiledLiveFolder : public QObject
{
    Q_OBJECT

public:
    explicit TiledLiveFolder(QObject *parent = nullptr);
    ~TiledLiveFolder() override;

    // Writes the model's current stage (which must fit the image) in colors as mapName
    // (a file name ending in .tmx) in the folder, watches it, and starts command on it:
    // the command's words split as a shell splits them, "%f" standing for the map's path
    // (or the path added as the last word). Writing the same stage again replaces its map.
    // Returns an empty string when the command started, otherwise what went wrong.
    QString start(const QString &command, const modKrelin &model, const BgColorSet &colors, const QString &mapName);

    // The map of stage in the folder; empty when it has none.
    QString mapPath(const Stage &stage) const;
    // The folder; empty before the first start.
    QString folderPath() const;

    // Stops following every map: their saves are announced no more (another image was
    // opened). The folder stays until the end.
    void stopAll();

    // How long the folder must be quiet after a change before the map is read.
    static constexpr int SettleMilliseconds = 150;

signals:
    // Tiled saved the map of stage at path, with content other than it had.
    void mapSaved(const krelin::Stage *stage, const QString &path);

private:
    void changed();
    void readChanges();

    struct Map
    {
        const Stage *stage;
        QString path;
        QByteArray last; // the map as last written or seen
    };

    std::unique_ptr<QTemporaryDir> folder;
    QFileSystemWatcher watcher;
    QTimer settle;
    std::vector<Map> maps;
};

} // namespace krelin
