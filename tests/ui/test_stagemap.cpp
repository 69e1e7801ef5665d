// The stage map driven through the real windows: every frame shown at each zoom, the
// zoom by keys and by Ctrl + wheel about the pointer, kept between runs; and the map's
// tools across frame edges (a stamp pasted over the edge of frames 4 and 5, a fill over
// several frames, a selection copied and deleted), with the main window following.
#include "Bytes.h"
#include "MainWindowSession.h"
#include "StageMapSession.h"

#include "core/StageTable.h"
#include "edit/CellsEditCommand.h"
#include "edit/EditCommands.h"
#include "render/UseMarks.h"
#include "views/CellMarks.h"

#include <QApplication>
#include <QClipboard>
#include <QSettings>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QWheelEvent>

#include <set>

using namespace krelin;
using namespace krelin::testing;

namespace {

constexpr int Label = StageMapGeometry::LabelHeight;

// What pixel (x, y), 0..15, of metatile n shows at the console's size: the main map shows
// each tile pixel twice as large, with a gap after the first tile.
QRgb ConsolePixel(const modKrelin &model, int n, int x, int y)
{
    const auto full = [](int v) { return v < 8 ? 2 * v : 17 + 2 * (v - 8); };
    return ExpectedMetaTilePixel(model, ExpectedBgColors(model), n, full(x), full(y), ClearColor);
}

// A session on a stage with the stage map open, both windows able to take keys.
struct MapSession : Session
{
    explicit MapSession(int stage = S3)
    {
        Controls(window).mnuEdit_Level_Click(stage);
        QApplication::clipboard()->clear();
        stageMap = std::make_unique<StageMap>(window.get());
        focusStageMap();
    }
    void focusStageMap()
    {
        stageMap->map->activateWindow();
        [[maybe_unused]] const bool active = QTest::qWaitForWindowActive(stageMap->map);
        stageMap->canvas().setFocus();
    }
    StageMapCanvas &canvas() { return stageMap->canvas(); }
    const Stage &stage() const { return *model.currentStage(); }
    qint64 cell(int frame, int col, int row) const { return LevelCellOffset(stage(), frame, col, row); }
    // Scrolls the canvas so that frame f is the first in sight.
    void scrollTo(int frame) { canvas().horizontalScrollBar()->setValue(canvas().layout().frameRect(frame).left()); }
    QUndoStack &stack() { return Controls(window).history().stack(); }

    std::unique_ptr<StageMap> stageMap;
};

// A main window of its own that keeps its settings in the file given, on stage 3.
struct SettledWindow
{
    modKrelin model;
    ScriptedDesktop desktop;
    frmKrelin window;
    explicit SettledWindow(QSettings &settings)
        : window(model, desktop, QStringLiteral(KRELIN_RUNTIME_DIR), &settings)
    {
        window.show();
        [[maybe_unused]] const bool shown = QTest::qWaitForWindowExposed(&window);
        window.OpenRom(QStringLiteral(KRELIN_SAMPLE));
        Controls(window).mnuEdit_Level_Click(S3);
    }
};

// The cells holding what the cell at place start holds, 4-connected across the whole
// strip of frames: worked out here from the image, apart from the program's own.
// The region the Fill tool fills from start on the stage's strip; *frames, when given,
// the first and the last frame it reaches.
std::set<qint64> StripRegion(const MapSession &s, QPoint start, std::pair<int, int> *frames = nullptr)
{
    const int width = 16 * s.stage().Frames;
    const auto offset = [&](QPoint p) { return s.cell(p.x() / 16, p.x() % 16, p.y()); };
    const int value = s.byte(offset(start));
    std::set<qint64> seen;
    QList<QPoint> todo{start};
    while (!todo.isEmpty()) {
        const QPoint p = todo.takeLast();
        if (p.x() < 0 || p.x() >= width || p.y() < 0 || p.y() >= 15 || seen.count(offset(p))
            || s.byte(offset(p)) != value)
            continue;
        seen.insert(offset(p));
        if (frames)
            *frames = seen.size() == 1 ? std::pair(p.x() / 16, p.x() / 16)
                                       : std::pair(std::min(frames->first, p.x() / 16), std::max(frames->second, p.x() / 16));
        todo << p + QPoint(1, 0) << p - QPoint(1, 0) << p + QPoint(0, 1) << p - QPoint(0, 1);
    }
    return seen;
}

} // namespace

class TestStageMap : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    // ---- what it shows -----------------------------------------------------------------
    void showsEveryFrameAtTheZoom_data()
    {
        QTest::addColumn<int>("zoomKeys"); // Ctrl++ (positive) or Ctrl+- presses from 100 %
        QTest::addColumn<int>("side");     // a metatile's side on the screen, worked out here
        QTest::addColumn<bool>("lines");
        QTest::newRow("100 %") << 0 << 16 << true;
        QTest::newRow("200 %") << 2 << 32 << true;
        QTest::newRow("50 %, no frame lines") << -2 << 8 << false;
    }
    void showsEveryFrameAtTheZoom()
    {
        QFETCH(int, zoomKeys);
        QFETCH(int, side);
        QFETCH(bool, lines);
        MapSession s;
        QVERIFY(s.stageMap->map->windowTitle().contains(QLatin1String("Stage 3 (24 frames)")));
        for (int i = 0; i < std::abs(zoomKeys); ++i)
            s.stageMap->key(zoomKeys > 0 ? Qt::Key_Plus : Qt::Key_Minus, Qt::ControlModifier);
        if (!lines)
            Controls(s.window).named<QAction>("mnuFrameLines")->trigger();
        QCOMPARE(s.stageMap->map->findChild<QLabel *>(QStringLiteral("lblZoom"))->text(),
                 QStringLiteral("%1 %").arg(side * 100 / 16));
        for (const int f : {0, 5, 23}) {
            s.scrollTo(f);
            const QImage shown = s.stageMap->picture();
            const int left = f * (16 * side + (lines ? 1 : 0)) - s.canvas().horizontalScrollBar()->value();
            const int top = Label - s.canvas().verticalScrollBar()->value();
            for (const QPoint &c : {QPoint(0, 0), QPoint(15, 7), QPoint(9, 14)}) {
                const int n = s.byte(s.cell(f, c.x(), c.y()));
                // A canvas pixel shows the tile pixel its top-left corner falls in.
                for (const QPoint &d : {QPoint(2, 2), QPoint(side / 3, side - 3), QPoint(side - 3, side / 2)}) {
                    const QPoint at(left + c.x() * side + d.x(), top + c.y() * side + d.y());
                    // Not under the canvas's edge, which shows the keyboard's focus.
                    if (!shown.rect().adjusted(2, 2, -2, -2).contains(at))
                        continue;
                    QCOMPARE(shown.pixel(at), ConsolePixel(s.model, n, d.x() * 16 / side, d.y() * 16 / side));
                }
            }
            // The frame before ends right before it, or before the line between them.
            const int end = left - (lines ? 2 : 1);
            if (f > 0 && end >= 0)
                for (const int row : {2, 6, 10})
                    if (const int y = top + row * side + side / 2; y >= 2 && y < shown.height() - 2)
                        QCOMPARE(shown.pixel(end, y), ConsolePixel(s.model, s.byte(s.cell(f - 1, 15, row)), 15, 8));
        }
    }

    void zoomAboutThePointerScrollAndKeep()
    {
        QTemporaryDir folder;
        QSettings settings(folder.filePath(QStringLiteral("krelin.conf")), QSettings::IniFormat);
        {
            SettledWindow first(settings);
            frmKrelin &window = first.window;
            QCOMPARE(first.model.currentStage(), &StageTable[S3]);
            StageMap m(&window);
            StageMapCanvas &canvas = m.canvas();
            // Ctrl + wheel zooms a step a notch, and the cell under the pointer stays there.
            const StageCell under{1, 7, 5};
            const QPoint at = m.at(under) + QPoint(3, 3);
            QWheelEvent wheel(at, m.viewport()->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                              Qt::ControlModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(m.viewport(), &wheel);
            QCOMPARE(canvas.scale(), 384); // 150 %: a metatile 24 pixels wide
            const QPoint scroll(canvas.horizontalScrollBar()->value(), canvas.verticalScrollBar()->value());
            QCOMPARE(canvas.layout().cellAt(at + scroll), std::optional<StageCell>(under));
            // The wheel alone scrolls along the stage; a middle-button drag scrolls by its way.
            const int before = canvas.horizontalScrollBar()->value();
            QWheelEvent along(at, m.viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                              Qt::ShiftModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(m.viewport(), &along);
            QVERIFY(canvas.horizontalScrollBar()->value() > before);
            const int dragged = canvas.horizontalScrollBar()->value();
            m.send(QEvent::MouseButtonPress, QPoint(300, 100), Qt::MiddleButton, Qt::MiddleButton);
            m.send(QEvent::MouseMove, QPoint(200, 100), Qt::NoButton, Qt::MiddleButton);
            m.send(QEvent::MouseButtonRelease, QPoint(200, 100), Qt::MiddleButton);
            QCOMPARE(canvas.horizontalScrollBar()->value(), dragged + 100);
            // Ctrl+0: the whole stage in the window, filling it (stage 1A: 7 frames; the
            // window wide, then tall).
            Controls(window).mnuEdit_Level_Click(S1A);
            m.map->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(m.map));
            canvas.setFocus();
            for (const QSize size : {QSize(1000, 300), QSize(1400, 200)}) {
                m.map->resize(size);
                QTest::keyClick(&canvas, Qt::Key_0, Qt::ControlModifier);
                // The vertical scroll bar that the zoom before needed goes.
                QTRY_COMPARE(canvas.viewport()->size(), canvas.maximumViewportSize());
                const QSize seen = canvas.viewport()->size();
                const StageMapGeometry &fit = canvas.layout();
                QVERIFY(fit.width() <= seen.width() && fit.height() <= seen.height());
                // At most a pixel a frame is left over across, or a pixel down.
                QVERIFY2(seen.width() - fit.width() < fit.frames || seen.height() - fit.height() <= 1,
                         qPrintable(QStringLiteral("%1 x %2 shown in %3 x %4")
                                        .arg(fit.width())
                                        .arg(fit.height())
                                        .arg(seen.width())
                                        .arg(seen.height())));
                QCOMPARE(canvas.horizontalScrollBar()->maximum(), 0);
                QCOMPARE(canvas.verticalScrollBar()->maximum(), 0);
                // The middle of each frame's first, middle and last cells shows the middle
                // of its metatile, however the zoom rounds.
                const QImage shown = m.picture();
                for (int f = 0; f < fit.frames; ++f)
                    for (const QPoint c : {QPoint(0, 0), QPoint(7, 7), QPoint(15, 14)}) {
                        const int n = first.model.byteAt(LevelCellOffset(StageTable[S1A], f, c.x(), c.y()));
                        const QPoint middle(f * fit.framePitch() + (2 * c.x() + 1) * fit.scale / 32,
                                            Label + (2 * c.y() + 1) * fit.scale / 32);
                        bool found = false;
                        for (const int x : {7, 8})
                            for (const int y : {7, 8})
                                found = found || shown.pixel(middle) == ConsolePixel(first.model, n, x, y);
                        QVERIFY2(found, qPrintable(QStringLiteral("frame %1, cell %2, %3").arg(f).arg(c.x()).arg(c.y())));
                    }
            }
            QTest::keyClick(&canvas, Qt::Key_Plus, Qt::ControlModifier);
            Controls(window).named<QAction>("mnuFrameLines")->trigger(); // off
        }
        // The next run opens the stage map as it was left.
        SettledWindow next(settings);
        StageMap m(&next.window);
        QCOMPARE(m.canvas().scale(), StageMapGeometry::scaleOf(settings.value(QStringLiteral("stageMap/zoom")).toInt()));
        QVERIFY(m.canvas().scale() > StageMapGeometry::MinScale);
        QVERIFY(!m.canvas().layout().lines);
    }

    // Zooming about the pointer far along the stage, with the lines between frames counted:
    // the pointer stays over the same place of the same cell at every step.
    void zoomAboutThePointerFarAlong()
    {
        MapSession s;
        StageMapCanvas &canvas = s.canvas();
        QVERIFY(canvas.layout().lines);
        s.scrollTo(18);
        const StageCell under{19, 7, 9};
        const QRect cell = canvas.layout().cellRect(under);
        const QPoint at = s.stageMap->at(under) + QPoint(cell.width() / 4, 0);
        const auto across = [&] {
            // Where the pointer lies across its cell, from 0 (its left edge) to 1.
            const QRect now = canvas.layout().cellRect(under);
            return (at.x() + canvas.horizontalScrollBar()->value() - now.left() + 0.5) / now.width();
        };
        const double was = across();
        for (const int notches : {1, 1, -1, -1, -1, -1}) {
            QWheelEvent wheel(at, s.stageMap->viewport()->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches),
                              Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(s.stageMap->viewport(), &wheel);
            // The cell under the pointer across (down, the map may have stopped scrolling).
            const std::optional<StageCell> now = canvas.layout().cellAt(
                QPoint(at.x() + canvas.horizontalScrollBar()->value(), canvas.layout().cellRect(under).center().y()));
            const QString zoom = QStringLiteral("at %1 %").arg(StageMapGeometry::percentOf(canvas.scale()));
            QVERIFY2(now && now->frame == under.frame && now->col == under.col, qPrintable(zoom));
            // Within a pixel of where it was, as the zoom's rounding allows.
            QVERIFY2(std::abs(across() - was) <= 1.0 / canvas.layout().cellRect(under).width() + 1e-9, qPrintable(zoom));
        }
        QCOMPARE(canvas.scale(), 128); // 50 %
    }

    // Another stage starts at its first frame; the same stage in another image keeps its place.
    void newStageStartsAtItsFirstFrame()
    {
        MapSession s;
        s.scrollTo(20);
        Controls(s.window).mnuEdit_Level_Click(S4A);
        QCOMPARE(s.canvas().horizontalScrollBar()->value(), 0);
        s.scrollTo(3);
        const int there = s.canvas().horizontalScrollBar()->value();
        QVERIFY(there > 0);
        const QString copy = s.dir.filePath(QStringLiteral("copy.nes"));
        QVERIFY(QFile::copy(s.romPath, copy));
        QVERIFY(s.window->OpenRom(copy));
        QCOMPARE(s.model.currentStage(), &StageTable[S4A]);
        QCOMPARE(s.canvas().horizontalScrollBar()->value(), there);
    }

    // ---- the tools across frame edges ---------------------------------------------------------
    void stampPastedAcrossFramesFourAndFive()
    {
        MapSession s;
        const Bytes original = s.model.image();
        QApplication::clipboard()->setText(QStringLiteral("01 02 03 04 05\n06 07 08 09 0A\n"));
        s.scrollTo(3);
        s.stageMap->move({4, 6, 13});
        s.stageMap->key(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(Controls(s.window).hLevel_Frames->value(), 4); // the main window shows the pointer's frame
        s.stageMap->click({4, 6, 13});
        QList<qint64> expected;
        for (int row = 0; row < 2; ++row)
            for (int i = 0; i < 5; ++i) {
                const qint64 at = i < 3 ? s.cell(4, 13 + i, 6 + row) : s.cell(5, i - 3, 6 + row);
                QCOMPARE(s.byte(at), 1 + 5 * row + i);
                if (original[std::size_t(at)] != 1 + 5 * row + i)
                    expected << at;
            }
        std::sort(expected.begin(), expected.end());
        QCOMPARE(ChangedOffsets(original, s.model.image()), expected);
        QCOMPARE(s.stack().count(), 1);
        QCOMPARE(s.stack().undoText(), QStringLiteral("Paste 5 \u00D7 2 in 3, frames 4\u20135"));
        // The main map shows the part that lies on its frame.
        s.stageMap->key(Qt::Key_Escape);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(cellDiff(s.map(), s.model, 13 + i, 6, 1 + i), QString());
        // At the stage's end the stamp is cut: two columns land.
        s.stageMap->key(Qt::Key_V, Qt::ControlModifier);
        s.scrollTo(22);
        s.stageMap->click({23, 0, 14});
        QCOMPARE(s.stack().undoText(), QStringLiteral("Paste 2 \u00D7 2 in 3, frame 23"));
        QCOMPARE(s.byte(s.cell(23, 15, 1)), 7);
        s.stack().undo();
        s.stack().undo();
        QVERIFY(s.model.image() == original);
    }

    // A Paint stroke dragged over a frame edge is one step, named after both frames; a
    // stroke within one frame names that frame alone.
    void paintStrokeOverAFrameEdge()
    {
        MapSession s;
        const Bytes original = s.model.image();
        const int with = (s.byte(s.cell(1, 15, 4)) + 1) % 256;
        Controls(s.window).editor().SelectMetaTile(with);
        s.stageMap->key(Qt::Key_B); // the Paint tool
        s.scrollTo(1);
        s.stageMap->drag({{1, 4, 14}, {1, 4, 15}, {2, 4, 0}, {2, 4, 1}});
        QCOMPARE(s.stack().count(), 1);
        int changed = 0;
        for (const StageCell &c : {StageCell{1, 4, 14}, StageCell{1, 4, 15}, StageCell{2, 4, 0}, StageCell{2, 4, 1}}) {
            QCOMPARE(s.byte(s.cell(c.frame, c.col, c.row)), with);
            changed += original[std::size_t(s.cell(c.frame, c.col, c.row))] != with;
        }
        QCOMPARE(s.stack().undoText(), QStringLiteral("Paint %1 cells with %2 in 3, frames 1\u20132").arg(changed).arg(HexByte(with)));
        Controls(s.window).editor().SelectMetaTile((s.byte(s.cell(2, 3, 6)) + 1) % 256);
        s.stageMap->drag({{2, 6, 3}, {2, 6, 4}});
        QVERIFY2(s.stack().undoText().endsWith(QStringLiteral(" in 3, frame 2")), qPrintable(s.stack().undoText()));
        s.stack().undo();
        s.stack().undo();
        QVERIFY(s.model.image() == original);
    }

    void fillReachesOverFrameEdges()
    {
        MapSession s;
        const Bytes original = s.model.image();
        // A cell at a frame's right edge whose neighbour over the edge holds the same metatile.
        QPoint start(-1, -1);
        for (int f = 0; f + 1 < s.stage().Frames && start.x() < 0; ++f)
            for (int row = 0; row < 15 && start.x() < 0; ++row)
                if (s.byte(s.cell(f, 15, row)) == s.byte(s.cell(f + 1, 0, row)))
                    start = QPoint(16 * f + 15, row);
        QVERIFY(start.x() >= 0);
        std::pair<int, int> frames;
        const std::set<qint64> region = StripRegion(s, start, &frames);
        const int with = (s.byte(s.cell(start.x() / 16, 15, start.y())) + 1) % 256;
        Controls(s.window).editor().SelectMetaTile(with);
        s.stageMap->key(Qt::Key_F); // the Fill tool
        s.scrollTo(start.x() / 16);
        s.stageMap->click(CellAtPoint(start));
        QCOMPARE(ChangedOffsets(original, s.model.image()), QList<qint64>(region.begin(), region.end()));
        QCOMPARE(s.stack().count(), 1);
        QCOMPARE(s.stack().undoText(), QStringLiteral("Fill %1 cells with %2 in 3, frames %3\u2013%4")
                                           .arg(region.size())
                                           .arg(HexByte(with))
                                           .arg(frames.first)
                                           .arg(frames.second));
        s.stack().undo();
        QVERIFY(s.model.image() == original);
    }

    void selectionOverFramesCopyDeletePickAndStatus()
    {
        MapSession s;
        const Bytes original = s.model.image();
        s.scrollTo(2);
        s.stageMap->drag({{2, 3, 14}, {3, 4, 1}}, Qt::ShiftModifier);
        QCOMPARE(s.tools().selection(), QRect(2 * 16 + 14, 3, 4, 2));
        // The main window shows frame 3, where the drag ended, and the selection's part on
        // it: edged where it ends, open at the frame's left edge, where it goes on. (The
        // white frame of the cursor, on the last cell, covers the edge's outer line.)
        QCOMPARE(Controls(s.window).hLevel_Frames->value(), 3);
        QCOMPARE(s.map().pixel(CellPitch * 1 + 32, CellPitch * 4 + 10), SelectionColor);
        QVERIFY(s.map().pixel(0, CellPitch * 3 + 10) != SelectionColor);
        s.stageMap->key(Qt::Key_C, Qt::ControlModifier);
        QString text;
        for (int row = 3; row <= 4; ++row) {
            QStringList numbers;
            for (const auto &[f, c] : {std::pair{2, 14}, {2, 15}, {3, 0}, {3, 1}})
                numbers << HexByte(s.byte(s.cell(f, c, row)));
            text += numbers.join(u' ') + u'\n';
        }
        QCOMPARE(QApplication::clipboard()->text(), text);
        // A right click picks a cell's metatile; Delete fills the selection with it, one step.
        // A cell of frame 3 holding another metatile than the selection's first cell.
        int k = 0;
        while (s.byte(s.cell(3, k % 16, k / 16)) == s.byte(s.cell(2, 14, 3)))
            ++k;
        const int picked = s.byte(s.cell(3, k % 16, k / 16));
        s.stageMap->click({3, k / 16, k % 16}, Qt::RightButton);
        QCOMPARE(s.editor().SelectedMetaTile(), picked);
        QCOMPARE(Controls(s.window).hsTable->value(), picked / 16);
        s.stageMap->key(Qt::Key_Delete);
        QCOMPARE(s.stack().count(), 1);
        QList<qint64> filled;
        for (int row = 3; row <= 4; ++row)
            for (const auto &[f, c] : {std::pair{2, 14}, {2, 15}, {3, 0}, {3, 1}})
                if (original[std::size_t(s.cell(f, c, row))] != picked)
                    filled << s.cell(f, c, row);
        std::sort(filled.begin(), filled.end());
        QCOMPARE(ChangedOffsets(original, s.model.image()), filled);
        QCOMPARE(s.stack().undoText(), QStringLiteral("Fill Selection 4 \u00D7 2 with %1 in 3, frames 2\u20133").arg(HexByte(picked)));
        // The status bar tells the cell under the pointer, and the frame it lies in.
        s.stageMap->move({3, 4, 7});
        QCOMPARE(Controls(s.window).sbStatus->lblFrame->text(), QStringLiteral("Frame 3 / 24"));
        QVERIFY2(Controls(s.window).sbStatus->lblPointer->text().startsWith(QStringLiteral("Row 4 \u00B7 Column 7 \u00B7 Metatile ")),
                 qPrintable(Controls(s.window).sbStatus->lblPointer->text()));
    }

    void followsEditsUndoAndColours()
    {
        MapSession s;
        const auto shows = [&](int frame, int col, int row) {
            s.scrollTo(frame);
            const QRect cell = s.canvas().layout().cellRect({frame, row, col}).translated(
                -s.canvas().horizontalScrollBar()->value(), -s.canvas().verticalScrollBar()->value());
            const QImage shown = s.stageMap->picture();
            for (const QPoint &p : {QPoint(3, 3), QPoint(8, 11), QPoint(12, 6)})
                if (shown.pixel(cell.topLeft() + p) != ConsolePixel(s.model, s.byte(s.cell(frame, col, row)), p.x(), p.y()))
                    return false;
            return true;
        };
        // An edit of a frame not yet in sight shows once it is scrolled there; an undo made
        // while it is in sight shows at once.
        const int old = s.byte(s.cell(20, 5, 5));
        Controls(s.window).editor().SelectMetaTile((old + 1) % 256);
        Controls(s.window).hLevel_Frames->setValue(20);
        s.clickOnMap(5, 5);
        QCOMPARE(s.byte(s.cell(20, 5, 5)), (old + 1) % 256);
        QVERIFY(shows(20, 5, 5));
        s.stack().undo();
        QVERIFY(shows(20, 5, 5));
        // New colours (every entry another) reach every frame, those painted already and
        // the others.
        for (int e = 0; e < 16; ++e)
            QVERIFY(Controls(s.window).history().push(
                new SetPaletteColorCommand(s.model, e, (s.byte(s.model.PalOffset + e) + 0x10) % 0x40)));
        for (int f : {20, 3})
            for (int k = 0; k < 240; k += 47)
                QVERIFY(shows(f, k % 16, k / 16));
    }

    void marksAndTheKeysOnTheStageMap()
    {
        MapSession s;
        // Show Uses rings the cells of the selected metatile in every frame in sight.
        const int n = s.byte(s.cell(1, 0, 14));
        Controls(s.window).editor().SelectMetaTile(n);
        Controls(s.window).mnuShowUses_Click(true);
        s.scrollTo(1);
        QImage shown = s.stageMap->picture();
        const int left = 257 - s.canvas().horizontalScrollBar()->value();
        for (int k = 0; k < 240; k += 11) {
            const QPoint corner(left + 16 * (k % 16), Label + 16 * (k / 16));
            QCOMPARE(shown.pixel(corner + QPoint(0, 8)) == UseOutlineColor, s.byte(s.cell(1, k % 16, k / 16)) == n);
        }
        Controls(s.window).mnuShowUses_Click(false);

        // The arrows move the cursor over a frame's edge; the main window follows; Enter
        // places there.
        s.stageMap->move({1, 2, 15});
        s.stageMap->key(Qt::Key_Right);
        QCOMPARE(s.tools().cell(), (StageCell{2, 2, 0}));
        QCOMPARE(Controls(s.window).hLevel_Frames->value(), 2);
        shown = s.stageMap->picture();
        const QRect framed = s.canvas().layout().cellRect({2, 2, 0}).translated(-s.canvas().horizontalScrollBar()->value(), 0);
        QCOMPARE(shown.pixel(framed.topLeft() + QPoint(5, 0)), CellFrameColor);
        const int m = (s.byte(s.cell(2, 0, 2)) + 1) % 256;
        Controls(s.window).editor().SelectMetaTile(m);
        s.stageMap->key(Qt::Key_Return);
        QCOMPARE(s.byte(s.cell(2, 0, 2)), m);
        QCOMPARE(s.stack().undoText(), QStringLiteral("Place Metatile %1 in 3, frame 2, row 2, column 0").arg(HexByte(m)));
    }
};

QTEST_MAIN(TestStageMap)
#include "test_stagemap.moc"
