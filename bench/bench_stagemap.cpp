// Timing of the stage map and of the keyboard's cursor, against drawing a level frame: the
// stage map of stage 3 drawn whole, a repaint after one edit, a step of zoom and a scroll
// of a screen; and a move of the main map's cursor by an arrow key.
#include "BenchSupport.h"

#include "stagemap/StageMapCanvas.h"
#include "views/StageMapView.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QScrollBar>

#include <benchmark/benchmark.h>

using namespace krelin;
using namespace krelin::bench;

namespace {

// Stage 3's model, with the application object that widgets need made first.
modKrelin &StageThreeOnScreen()
{
    NeedApplication();
    return StageThree();
}

// The stage map of stage 3 at 100 %, its canvas as large as the stage map opens beside the
// main window: as wide as the main window, the whole height of the stage. What it shows is
// rendered as a paint event renders it (showing the rendered image on the screen, as the
// level map's surface shows its image, is the window system's part).
struct StageThreeMap
{
    StageThreeMap()
        : model(StageThreeOnScreen())
        , map(LevelSurface())
        , table(69, 273, QImage::Format_RGB32)
        , selected(35, 35, QImage::Format_RGB32)
        , history(model)
        , editor(model, history, map, table, selected)
        , tools(model, history, editor)
        , view(model)
        , canvas(model, view, tools)
    {
        canvas.resize(661, canvas.layout().height() + canvas.horizontalScrollBar()->sizeHint().height());
        canvas.setAttribute(Qt::WA_DontShowOnScreen);
        canvas.show();
    }
    void paint(const QRect &area) { benchmark::DoNotOptimize(canvas.render(area).constBits()); }
    QRect viewport() const { return canvas.viewport()->rect(); }

    modKrelin &model;
    QImage map, table, selected;
    EditHistory history;
    LevelEditor editor;
    MapTools tools;
    StageMapView view;
    StageMapCanvas canvas;
};

// Stage 3 drawn afresh, as a stage choice or a new image draws it: every frame's picture,
// and what the window shows of it.
void BM_StageMapStage3(benchmark::State &state)
{
    StageThreeMap m;
    for (auto _ : state) {
        m.view.redraw();
        m.paint(m.viewport());
    }
}
BENCHMARK(BM_StageMapStage3)->Unit(benchmark::kMicrosecond);

// One level byte of a frame in sight changed through the model, back and forth: the
// picture repaints its cell, and the window the cell's pixels.
void BM_StageMapAfterEdit(benchmark::State &state)
{
    StageThreeMap m;
    const StageCell cell{2, 9, 6};
    const qint64 at = LevelCellOffset(m.model, cell.frame, cell.col, cell.row);
    const std::uint8_t old = m.model.byteAt(at);
    std::uint8_t value = old;
    const QRect area = m.canvas.layout().cellRect(cell).adjusted(-2, -2, 2, 2);
    for (auto _ : state) {
        value = value == old ? std::uint8_t(old + 1) : old;
        m.model.writeByte(at, value);
        m.paint(area);
    }
    m.model.writeByte(at, old);
}
BENCHMARK(BM_StageMapAfterEdit)->Unit(benchmark::kMicrosecond);

// One step of zoom, 100 % and 150 % in turn, and the window painted afresh.
void BM_StageMapZoomStep(benchmark::State &state)
{
    StageThreeMap m;
    bool in = true;
    for (auto _ : state) {
        in ? m.canvas.zoomIn() : m.canvas.zoomOut();
        in = !in;
        m.paint(m.viewport());
    }
}
BENCHMARK(BM_StageMapZoomStep)->Unit(benchmark::kMicrosecond);

// A scroll of a screen's width along the stage, there and back, and the window painted.
void BM_StageMapScroll(benchmark::State &state)
{
    StageThreeMap m;
    QScrollBar *bar = m.canvas.horizontalScrollBar();
    bool forth = true;
    for (auto _ : state) {
        bar->setValue(forth ? bar->pageStep() : 0);
        forth = !forth;
        m.paint(m.viewport());
    }
}
BENCHMARK(BM_StageMapScroll)->Unit(benchmark::kMicrosecond);

// The main map's cursor moved by an arrow key, right and left in turn: the tools move
// their cell, the map repaints the cell left and draws the white frame on the new one.
void BM_CursorMove(benchmark::State &state)
{
    PlacedMetaTile screen(false);
    bool right = true;
    for (auto _ : state) {
        QKeyEvent key(QEvent::KeyPress, right ? Qt::Key_Right : Qt::Key_Left, Qt::NoModifier);
        QCoreApplication::sendEvent(&screen.surface, &key);
        right = !right;
        benchmark::DoNotOptimize(screen.map.constBits());
    }
}
BENCHMARK(BM_CursorMove)->Unit(benchmark::kMicrosecond);

const bool stageRatio = RatioToDrawLevel("BM_StageMapStage3", "drawing the stage map of stage 3 at 100 %");
const bool editRatio = RatioToDrawLevel("BM_StageMapAfterEdit", "the stage map after one edit");
const bool zoomRatio = RatioToDrawLevel("BM_StageMapZoomStep", "a step of the stage map's zoom");
const bool scrollRatio = RatioToDrawLevel("BM_StageMapScroll", "a scroll of a screen on the stage map");
const bool cursorRatio = RatioToDrawLevel("BM_CursorMove", "a move of the keyboard's cursor");

} // namespace
