// Timings of the core host, with the sample running in the system's NES core: one
// emulated frame (picture and sound taken), and giving the core the image again with the
// game's state restored, as a reload after an edit does. Then the player as the editor
// runs it, in a player process of its own: an edit until the game runs with it, a frame
// until the window has painted it, and what following edits adds to the editor's cost of
// one.
#include "BenchSupport.h"

#include "ConsoleSession.h"
#include "core/MasterPalette.h"
#include "player/PlayerSession.h"

#include <QCoreApplication>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace krelin;
using namespace krelin::bench;

namespace {

QByteArray ImageBytes()
{
    const std::vector<std::uint8_t> &bytes = Model().image();
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
}

// The sample in the core, its viewer showing its first picture; nothing, after telling the
// benchmark why, when there is no core to use.
struct RunningSample
{
    explicit RunningSample(benchmark::State &state)
    {
        QString error;
        host = testing::OpenConsole(Model(), folder.path(), &error);
        if (host && host->loadImage(ImageBytes(), &error))
            testing::ViewerControl(*host).boot();
        else
            host.reset();
        if (!host)
            state.SkipWithError(qPrintable(error));
    }

    QTemporaryDir folder;
    std::unique_ptr<CoreHost> host;
};

void BM_CoreFrame(benchmark::State &state)
{
    RunningSample sample(state);
    if (!sample.host)
        return;
    for (auto _ : state) {
        sample.host->runFrame();
        benchmark::DoNotOptimize(sample.host->picture().constBits());
    }
}
BENCHMARK(BM_CoreFrame)->Unit(benchmark::kMicrosecond);

void BM_CoreReloadWithState(benchmark::State &state)
{
    RunningSample sample(state);
    if (!sample.host)
        return;
    const QByteArray image = ImageBytes();
    QString error;
    const auto saved = sample.host->saveState(&error);
    if (!saved) {
        state.SkipWithError(qPrintable(error));
        return;
    }
    for (auto _ : state) {
        if (!sample.host->loadImage(image, &error) || !sample.host->restoreState(*saved, &error)) {
            state.SkipWithError(qPrintable(error));
            return;
        }
    }
}
BENCHMARK(BM_CoreReloadWithState)->Unit(benchmark::kMicrosecond);

// ---- the player process ------------------------------------------------------------------

// A player process (the program itself) running the sample with the system's NES core, its
// viewer booted, following every change of the model; nothing, after telling the
// benchmark why, when it cannot start.
struct RunningPlayer
{
    explicit RunningPlayer(benchmark::State &state)
    {
        NeedApplication();
        PlayerConnection &player = session.connection();
        QObject::connect(&player, &PlayerConnection::started, [this] { ++answers; });
        QObject::connect(&player, &PlayerConnection::framesRun, [this](int, const QByteArray &, const QRect &rows) {
            changed = rows;
            ++answers;
        });
        QObject::connect(&player, &PlayerConnection::reloaded, [this] { ++answers; });
        QObject::connect(&player, &PlayerConnection::stopped, [this](const QString &reason) { why = reason; });
        const CoreChoice core = ChooseCore();
        if (core.path.isEmpty()) {
            state.SkipWithError(qPrintable(core.problem));
            return;
        }
        session.start(QStringLiteral(KRELIN_EXECUTABLE), core.path, {}, false);
        if (!await(1) || (player.runFrames(testing::ViewerControl::BootFrames, 0, false), !await(1)))
            state.SkipWithError(qPrintable(QStringLiteral("The player stopped: ") + why));
    }

    // Waits for the next count answers; false when the player stopped instead.
    bool await(int count)
    {
        const int wanted = answers + count;
        while (answers < wanted && why.isEmpty())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        return why.isEmpty();
    }

    PlayerSession session{Model()};
    int answers = 0;
    QRect changed; // the rows the last frames changed
    QString why;
};

// An edit of a level cell the viewer shows, until the player has run a frame of the game
// with it: the changed byte sent at once (without waiting for more edits to join it), the
// image reloaded under the running game with its state kept, one frame run and its picture
// taken. Wall-clock time: most of the work is the player process's.
void BM_PlayerEditToFrame(benchmark::State &state)
{
    RunningPlayer player(state);
    if (!player.why.isEmpty())
        return;
    modKrelin &model = Model();
    const qint64 cell = LevelCellOffset(model, 0, 7, 5);
    const std::uint8_t kept = model.byteAt(cell);
    for (auto _ : state) {
        model.writeByte(cell, model.byteAt(cell) ^ 1);
        player.session.sendChanges();
        player.session.connection().runFrames(1, 0, false);
        if (!player.await(2)) {
            state.SkipWithError(qPrintable(player.why));
            break;
        }
    }
    model.writeByte(cell, kept);
}
BENCHMARK(BM_PlayerEditToFrame)->Unit(benchmark::kMicrosecond)->UseRealTime();

// One frame of the player window: the frame run in the player process with its sound, the
// rows of the picture that changed and the sound sent back, those rows painted at twice
// their size as the window paints them. Wall-clock time. (The sample's viewer redraws its
// picture without changing it, so most frames send and paint no row.)
void BM_PlayerFrame(benchmark::State &state)
{
    RunningPlayer player(state);
    if (!player.why.isEmpty())
        return;
    QImage screen(512, 480, QImage::Format_RGB32);
    for (auto _ : state) {
        player.session.connection().runFrames(1, 0, true);
        if (!player.await(1)) {
            state.SkipWithError(qPrintable(player.why));
            break;
        }
        // The window repaints the rows that changed, at twice their size.
        if (!player.changed.isEmpty()) {
            QPainter painter(&screen);
            const QRect &rows = player.changed;
            painter.drawImage(QRect(rows.topLeft() * 2, rows.size() * 2), player.session.connection().picture(), rows);
        }
        benchmark::DoNotOptimize(screen.constBits());
    }
}
BENCHMARK(BM_PlayerFrame)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The undo of a placement, as BM_UndoPlacement, while a player follows the image: the
// player notes the changed range and sends it with the others at most every tenth of a
// second, so the edit itself costs only the noting.
void BM_UndoPlacementWithPlayer(benchmark::State &state)
{
    PlacedMetaTile placed(false);
    RunningPlayer player(state);
    if (!player.why.isEmpty())
        return;
    for (auto _ : state) {
        placed.undoOrRedo();
        benchmark::DoNotOptimize(placed.map.constBits());
    }
}
BENCHMARK(BM_UndoPlacementWithPlayer)->Unit(benchmark::kMicrosecond);

const bool editToFrameRatio = RatioToDrawLevelInRealTime("BM_PlayerEditToFrame", "an edit until the player runs a frame with it");
const bool playerFrameRatio = RatioToDrawLevelInRealTime("BM_PlayerFrame", "one frame of the player window");
const bool undoWithPlayerRatio = RatioToDrawLevel("BM_UndoPlacementWithPlayer", "undo of a placement, a player following");
const bool frameRatio = RatioToDrawLevel("BM_CoreFrame", "one emulated frame in the core");
const bool reloadRatio = RatioToDrawLevel("BM_CoreReloadWithState", "the image loaded into the core, its state restored");

} // namespace
