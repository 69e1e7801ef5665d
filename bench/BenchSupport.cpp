#include "BenchSupport.h"

#include "SyntheticImage.h"

#include "core/MasterPalette.h"
#include "core/RomFile.h"
#include "core/StageTable.h"
#include "render/LevelView.h"
#include "render/Palette.h"

#include <QApplication>
#include <QMouseEvent>

#include <algorithm>
#include <set>

namespace krelin::bench {

namespace {

std::string &imagePath()
{
    static std::string path = KRELIN_SAMPLE;
    return path;
}

const char *source = "";

std::vector<std::pair<std::string, std::string>> &ratios()
{
    static std::vector<std::pair<std::string, std::string>> list;
    return list;
}

std::set<std::string> &realTimeRatios()
{
    static std::set<std::string> names;
    return names;
}

} // namespace

void SetImagePath(const std::string &path)
{
    imagePath() = path;
}

const std::string &ImagePath()
{
    return imagePath();
}

modKrelin &Model()
{
    static modKrelin *model = [] {
        auto *m = new modKrelin;
        RomReadResult read = ReadRomFile(QString::fromStdString(imagePath()));
        qint64 needed = 0;
        for (const Stage &stage : StageTable)
            needed = std::max(needed, StageBytesNeeded(stage));
        const bool real = read.ok() && qint64(read.bytes.size()) >= needed
            && std::any_of(read.bytes.begin(), read.bytes.end(), [](std::uint8_t b) { return b != 0; });
        source = real ? "sample image" : "synthetic image";
        m->replaceImage(real ? std::move(read.bytes) : testing::MakeNoiseImage());
        UseStandardPalette(*m);
        testing::UseStageOffsets(*m, StageTable[0]);
        m->setBgColors(ResolveBgColors(*m).value_or(BgColorSet{}));
        return m;
    }();
    return *model;
}

const char *ImageSource()
{
    return source;
}

QImage LevelSurface()
{
    return QImage(LevelSurfaceWidth, LevelSurfaceHeight, QImage::Format_RGB32);
}

modKrelin &StageThree()
{
    static modKrelin *model = [] {
        auto *m = new modKrelin;
        m->replaceImage(Model().image());
        UseStandardPalette(*m);
        m->ApplyStage(StageTable[6]);
        m->setBgColors(ResolveBgColors(*m).value_or(BgColorSet{}));
        return m;
    }();
    return *model;
}

void MovePointer(QWidget *surface, const QPointF &position)
{
    QMouseEvent event(QEvent::MouseMove, position, surface->mapTo(surface->window(), position),
                      surface->mapToGlobal(position), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(surface, &event);
}

namespace {

// The application object, made before the first surface.
modKrelin &ModelWithApplication()
{
    NeedApplication();
    return Model();
}

} // namespace

PlacedMetaTile::PlacedMetaTile(bool showUses)
    : model(ModelWithApplication())
    , surface(QStringLiteral("picEditor"), QSize(LevelSurfaceWidth + 4, LevelSurfaceHeight + 4))
    , map(surface.image())
    , table(69, 273, QImage::Format_RGB32)
    , selected(35, 35, QImage::Format_RGB32)
    , history(model)
    , editor(model, history, map, table, selected)
    , tools(model, history, editor)
    , input(editor, tools, &surface)
{
    editor.ResetStage();
    model.ApplyStage(StageTable[0]);
    editor.DrawTileTable();
    editor.DrawLevel();
    editor.SetShowUses(showUses);
    editor.TableMouseMove(40, 10);
    editor.TableClick();
    const int col = model.byteAt(LevelCellOffset(model, 0, 5, 5)) == 1 ? 6 : 5;
    pointAt(col, 5);
    tools.activate(MapView::Main);
}

void PlacedMetaTile::pointAt(int col, int row)
{
    const int border = PictureSurface::BorderWidth;
    MovePointer(&surface, QPointF(border + col * 34 + 10, border + row * 34 + 10));
}

PlacedMetaTile::~PlacedMetaTile()
{
    history.stack().setIndex(0);
}

void PlacedMetaTile::undoOrRedo()
{
    if (undoNext)
        history.stack().undo();
    else
        history.stack().redo();
    undoNext = !undoNext;
}

void NeedApplication()
{
    if (QCoreApplication::instance())
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "krelin_bench";
    static char *argv[] = {name, nullptr};
    new QApplication(argc, argv); // lives until the program ends
}

bool RatioToDrawLevel(const char *benchmark, const char *label)
{
    ratios().emplace_back(benchmark, label);
    return true;
}

bool RatioToDrawLevelInRealTime(const char *benchmark, const char *label)
{
    realTimeRatios().insert(benchmark);
    return RatioToDrawLevel(benchmark, label);
}

bool IsRealTimeRatio(const std::string &benchmark)
{
    return realTimeRatios().count(benchmark) > 0;
}

const std::vector<std::pair<std::string, std::string>> &RatiosToDrawLevel()
{
    return ratios();
}

} // namespace krelin::bench
