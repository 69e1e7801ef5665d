// View > Console Colours as the user meets it: off at first; on, the level map, the
// metatile table, its preview and the stage map show colour 0 of every sub-palette in
// the backdrop's colour, as the console does; kept for the next start; off again, they
// show entries 4, 8 and 12 from their own bytes.
#include "SyntheticImage.h"
#include "TestFolders.h"
#include "support/WindowControls.h"

#include "core/modKrelin.h"
#include "edit/EditCommands.h"
#include "edit/EditHistory.h"
#include "render/StageMapPicture.h"
#include "stagemap/frmStageMap.h"
#include "views/StageMapView.h"
#include "render/TilePainter.h"
#include "ui/EditTools.h"
#include "ui/frmKrelin.h"
#include "views/MapTools.h"
#include "ScriptedDesktop.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace krelin;
using namespace krelin::testing;

namespace {

constexpr int Stage3 = 6;

struct Session
{
    QTemporaryDir dir;
    QString romPath = dir.filePath(QStringLiteral("game.nes"));
    modKrelin model;
    ScriptedDesktop desktop;
    std::unique_ptr<QSettings> settings;
    std::unique_ptr<frmKrelin> window;

    Session() { QFile::copy(RuntimeFolder() + QStringLiteral("/sample.nes"), romPath); }

    // Starts the program (again), with the settings kept so far, on stage 3 of an image
    // whose palette entries 4, 8 and 12 are unlike entry 0 (the sample keeps them equal,
    // as the game does).
    void start()
    {
        window.reset();
        settings = std::make_unique<QSettings>(dir.filePath(QStringLiteral("krelin.conf")), QSettings::IniFormat);
        window = std::make_unique<frmKrelin>(model, desktop, RuntimeFolder(), settings.get());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QVERIFY(window->OpenRom(romPath));
        QVERIFY(Controls(window).mnuEdit_Level_Click(Stage3));
        const int unlike[] = {0x16, 0x2A, 0x12}; // red, green, blue; the backdrop is black
        for (int p = 1; p < 4; ++p)
            QVERIFY(Controls(window).history().push(new SetPaletteColorCommand(model, 4 * p, unlike[p - 1])));
    }

    // View > Stage Map (F3), shown and painted.
    void openStageMap()
    {
        window->findChild<QAction *>(QStringLiteral("mnuStageOverview"))->trigger();
        auto *stageMap = window->findChild<frmStageMap *>();
        QVERIFY(stageMap);
        QVERIFY(QTest::qWaitForWindowExposed(stageMap));
        QTest::qWait(50);
    }

    QAction *consoleColours() const { return window->findChild<QAction *>(QStringLiteral("mnuConsoleColours")); }

    // What the map (frame 0), the table (page 0), the preview and the stage map show, against
    // the colours given; the first difference, or nothing.
    QString shown(const std::array<QRgb, 16> &colors) const
    {
        const Controls controls(window);
        // The keyboard's cursor is drawn over its cell as a white frame.
        const StageCell framed = window->findChild<EditTools *>()->tools().cell();
        for (int cell = 0; cell < FrameBytes; ++cell) {
            const int col = cell % FrameColumns, row = cell / FrameColumns;
            if (framed.frame == 0 && framed.col == col && framed.row == row)
                continue;
            const int n = model.byteAt(LevelCellOffset(model, 0, col, row));
            const QString diff = CompareMetaTile(controls.picEditor->image(), model, n, 34 * col, 34 * row, ClearColor, colors);
            if (!diff.isEmpty())
                return QStringLiteral("map: ") + diff;
        }
        for (int n = 0; n < 16; ++n) {
            const QString diff = CompareMetaTile(controls.picTile->image(), model, n, 34 * (n % 2), 34 * (n / 2), ClearColor, colors);
            if (!diff.isEmpty())
                return QStringLiteral("table: ") + diff;
        }
        const QString diff = CompareMetaTile(controls.picSelectedTile->image(), model, 0, 0, 0, ClearColor, colors);
        if (!diff.isEmpty())
            return QStringLiteral("preview: ") + diff;
        if (auto *stageMap = window->findChild<frmStageMap *>()) {
            // Frame 0 as the window last painted it: each tile pixel once, at the console's size.
            const StageMapView &view = stageMap->view();
            if (!view.framePainted(0))
                return QStringLiteral("stage map: frame 0 not painted");
            const auto full = [](int v) { return v < 8 ? 2 * v : 17 + 2 * (v - 8); };
            for (int cell = 0; cell < FrameBytes; ++cell) {
                const int col = cell % FrameColumns, row = cell / FrameColumns;
                const int n = model.byteAt(LevelCellOffset(model, 0, col, row));
                for (int y = 0; y < 16; ++y)
                    for (int x = 0; x < 16; ++x) {
                        const QPoint at = StageMapCellRect(0, col, row).topLeft() + QPoint(x, y);
                        if (view.image().pixel(at) != ExpectedMetaTilePixel(model, colors, n, full(x), full(y), ClearColor))
                            return QStringLiteral("stage map: cell (%1, %2), pixel (%3, %4)").arg(col).arg(row).arg(x).arg(y);
                    }
            }
        }
        return {};
    }
};

} // namespace

class TestConsoleColours : public QObject
{
    Q_OBJECT

private slots:
    void shownEverywhereAndKept()
    {
        Session s;
        s.start();
        const auto own = ExpectedBgColors(s.model), console = ExpectedConsoleColors(s.model);
        QVERIFY(own != console);
        s.openStageMap();

        QVERIFY(!s.consoleColours()->isChecked());
        QString diff = s.shown(own);
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
        QVERIFY(!s.shown(console).isEmpty()); // frame 0 shows colour 0 of other sub-palettes

        s.consoleColours()->trigger();
        QTest::qWait(50); // the stage map paints its frames again as it shows them
        diff = s.shown(console);
        QVERIFY2(diff.isEmpty(), qPrintable(diff));

        // Kept: the next start shows the console's colours at once, in a new stage map too.
        s.start();
        QVERIFY(s.consoleColours()->isChecked());
        s.openStageMap();
        diff = s.shown(console);
        QVERIFY2(diff.isEmpty(), qPrintable(diff));

        s.consoleColours()->trigger();
        QTest::qWait(50);
        diff = s.shown(own);
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
        QCOMPARE(s.settings->value(QStringLiteral("view/consoleColours")).toBool(), false);
    }
};

QTEST_MAIN(TestConsoleColours)
#include "test_consolecolours.moc"
