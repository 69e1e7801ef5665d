// The palette editor driven through the real windows: its layout and master colour grid,
// colour clicks checked by the bytes of the image, the refresh question and its answers,
// the swatches following the table, reopening and placing the window, and an edit saved
// to a file. Every box goes through ScriptedDesktop.

#include "ui/ScriptedDesktop.h"

#include "core/RomFile.h"
#include "core/StageTable.h"
#include "core/modKrelin.h"
#include "edit/LevelEditor.h"
#include "edit/PaletteEdits.h"
#include "paleditor/frmPalEditor.h"
#include "render/MasterGrid.h"
#include "render/MetaTilePainter.h"
#include "render/TileFormat.h"
#include "ui/frmKrelin.h"
#include "widgets/QtDesktop.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace krelin;
using namespace krelin::testing;

namespace {

constexpr int Border = PictureSurface::BorderWidth;
enum StageIndex { S1A = 0, S3 = 6 };

// Master colour k straight from the loaded master palette.
QRgb Master(const modKrelin &model, int k)
{
    return qRgb(model.NesRed[k], model.NesGreen[k], model.NesBlue[k]);
}

// A main window on a copy of the sample cartridge with a stage chosen, and its palette
// editor opened from the Edit menu.
struct Session
{
    QTemporaryDir dir;
    QString romPath;
    modKrelin model;
    ScriptedDesktop desktop;
    std::unique_ptr<frmKrelin> window;

    explicit Session(int stage = S3)
    {
        romPath = dir.filePath(QStringLiteral("game.nes"));
        QFile::copy(QStringLiteral(KRELIN_SAMPLE), romPath);
        QFile::setPermissions(romPath, QFile::ReadOwner | QFile::WriteOwner);
        window = std::make_unique<frmKrelin>(model, desktop, QStringLiteral(KRELIN_RUNTIME_DIR));
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QVERIFY(window->OpenRom(romPath));
        QVERIFY(window->mnuEdit_Level_Click(stage));
        openPalette();
    }

    frmPalEditor *openPalette()
    {
        window->mnuEditPalette->trigger();
        frmPalEditor *p = window->palEditor;
        return p && QTest::qWaitForWindowExposed(p) ? p : nullptr;
    }
    frmPalEditor &pal() { return *window->palEditor; }

    // Moves the pointer to pixel (x, y) of the master colour grid and clicks there.
    void clickGrid(int x, int y)
    {
        const QPoint at(Border + x, Border + y);
        // Straight to the surface: a pointer move through the headless platform can land on
        // the main window, which lies under this one there.
        QMouseEvent move(QEvent::MouseMove, at, pal().picPalSelector->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(pal().picPalSelector, &move);
        QTest::mouseClick(pal().picPalSelector, Qt::LeftButton, {}, at);
    }
    // Clicks the middle of master colour k's square.
    void clickColour(int k) { clickGrid(MasterSquare * (k % 16) + 6, MasterSquare * (k / 16) + 6); }
    void selectSwatch(int e) { QTest::mouseClick(pal().picPal[e], Qt::LeftButton); }
    int paletteByte(int e) { return model.byteAt(model.PalOffset + e); }
};

// The offsets at which two images differ.
QList<qint64> Differences(const std::vector<std::uint8_t> &a, const std::vector<std::uint8_t> &b)
{
    QList<qint64> offsets;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        if (a[i] != b[i])
            offsets << qint64(i);
    return offsets;
}

// Where a palette entry shows on the main window: the top-left pixel of the metatile in
// the level map's top-left cell is tile pixel (0, 0) of that metatile, in the colour of
// entry 4 x its sub-palette + that pixel's value.
struct ShownEntry
{
    int metaTile;
    int entry;
};
ShownEntry EntryAtMapCorner(const modKrelin &model)
{
    const int n = model.byteAt(model.LevelOffset);
    const int p = model.byteAt(model.MetaPalOffset + n) & 3;
    const int tile = model.byteAt(model.MetaTileOffset + 4 * n);
    const int v = GetTilePixel(model.bytesAt(model.ChrOffset + 16 * tile, 16), 0, 0);
    return {n, 4 * p + v};
}

} // namespace

class TestPalEditor : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    void layoutAndGrid()
    {
        Session s;
        frmPalEditor &p = s.pal();
        QCOMPARE(p.windowTitle(), QStringLiteral("Palette Editor"));
        QCOMPARE(p.objectName(), QStringLiteral("frmPalEditor"));
        QCOMPARE(p.minimumSize(), p.maximumSize());
        // Positions and sizes are given in twips, 15 to the pixel.
        for (int e = 0; e < 16; ++e) {
            PaletteSwatch *swatch = p.picPal[e];
            QCOMPARE(p.findChild<PaletteSwatch *>(QStringLiteral("picPal_%1").arg(e)), swatch);
            QCOMPARE(swatch->geometry(), QRect((480 + 600 * (e % 4)) / 15, (60 + 600 * (e / 4)) / 15, 33, 33));
            QCOMPARE(swatch->isBordered(), e == 1);
            QCOMPARE(swatch->color(), ToQRgb(s.model.BgColors[e]));
            QCOMPARE(swatch->toolTip(), QStringLiteral("$%1").arg(s.paletteByte(e), 2, 16, QChar(u'0')).toUpper());
        }
        QCOMPARE(p.selectedEntry(), 1);
        QCOMPARE(p.findChild<PictureSurface *>(QStringLiteral("picPalSelector")), p.picPalSelector);
        QCOMPARE(p.picPalSelector->geometry(), QRect(60 / 15, 2460 / 15, 3195 / 15, 855 / 15));
        // The window holds its controls with the margin of the top left all round.
        QCOMPARE(p.size(), QSize(p.picPalSelector->geometry().right() + 1 + 4,
                                 p.picPalSelector->geometry().bottom() + 1 + 4));

        // Every pixel of square k is master colour k; the strip beside and below the grid
        // is none of them.
        const QImage &grid = p.picPalSelector->image();
        for (int y = 0; y < 52; ++y)
            for (int x = 0; x < 208; ++x)
                if (grid.pixel(x, y) != Master(s.model, 16 * (y / 13) + x / 13))
                    QFAIL(qPrintable(QStringLiteral("grid pixel (%1, %2)").arg(x).arg(y)));
        QCOMPARE(grid.pixel(208, 0), ClearColor);
        QCOMPARE(grid.pixel(0, 52), ClearColor);
    }

    void positionsNameMasterColours_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<int>("colour");
        QTest::newRow("top left") << 0.0 << 0.0 << 0;
        QTest::newRow("12.5 rounds to 12") << 12.5 << 0.0 << 0;
        QTest::newRow("13.5 rounds to 14") << 13.5 << 0.0 << 1;
        QTest::newRow("column 2 of row 1") << 30.0 << 20.0 << 0x12;
        QTest::newRow("bottom right") << 207.4 << 51.0 << 0x3F;
        QTest::newRow("207.5 rounds past the grid") << 207.5 << 0.0 << -1;
        QTest::newRow("right of column 15") << 208.0 << 10.0 << -1;
        QTest::newRow("below row 3") << 10.0 << 52.0 << -1;
        QTest::newRow("-0.5 rounds to 0") << -0.5 << 0.0 << 0;
        QTest::newRow("left of the grid") << -0.6 << 0.0 << -1;
        QTest::newRow("above the grid") << 0.0 << -2.0 << -1;
        QTest::newRow("far off") << 1e300 << 0.0 << -1;
    }

    void positionsNameMasterColours()
    {
        QFETCH(double, x);
        QFETCH(double, y);
        QFETCH(int, colour);
        QCOMPARE(MasterColourAt(x, y), colour);
    }

    // A click on the grid writes the colour under the pointer into the selected byte and
    // nothing else, shows it on the swatch and asks; a click that names no colour does
    // nothing at all.
    void colourClicks_data()
    {
        QTest::addColumn<int>("swatch");
        QTest::addColumn<QPoint>("at"); // grid pixel
        QTest::addColumn<int>("code");  // -1: no colour
        QTest::newRow("top-left square") << 1 << QPoint(0, 0) << 0x00;
        QTest::newRow("bottom-right square") << 1 << QPoint(207, 51) << 0x3F;
        QTest::newRow("swatch 13, column 2 of row 1") << 13 << QPoint(32, 19) << 0x12;
        QTest::newRow("swatch 0, column 9 of row 2") << 0 << QPoint(9 * 13 + 12, 2 * 13) << 0x29;
        QTest::newRow("right of column 15") << 1 << QPoint(208, 10) << -1;
        QTest::newRow("below row 3") << 1 << QPoint(10, 52) << -1;
        QTest::newRow("on the surface's border") << 1 << QPoint(-2, 10) << -1;
    }

    void colourClicks()
    {
        QFETCH(int, swatch);
        QFETCH(QPoint, at);
        QFETCH(int, code);
        Session s;
        // Make sure the byte holds something else first, so that the write shows.
        const int other = code == 0 ? 0x21 : 0x00;
        QVERIFY(SetPaletteByte(s.model, swatch, other));
        if (swatch != 1)
            s.selectSwatch(swatch);
        QCOMPARE(s.pal().selectedEntry(), swatch);
        for (int e = 0; e < 16; ++e)
            QCOMPARE(s.pal().picPal[e]->isBordered(), e == swatch);
        const auto before = s.model.image();
        const QRgb swatchBefore = s.pal().picPal[swatch]->color();

        s.clickGrid(at.x(), at.y());

        const QList<qint64> changed = Differences(before, s.model.image());
        if (code < 0) {
            QVERIFY(changed.isEmpty());
            QVERIFY(s.desktop.questions.isEmpty());
            QCOMPARE(s.pal().picPal[swatch]->color(), swatchBefore);
            return;
        }
        QCOMPARE(changed, QList<qint64>{s.model.PalOffset + swatch});
        QCOMPARE(s.paletteByte(swatch), code);
        QCOMPARE(s.pal().picPal[swatch]->color(), Master(s.model, code));
        QCOMPARE(s.pal().picPal[swatch]->toolTip(), QStringLiteral("$%1").arg(code, 2, 16, QChar(u'0')).toUpper());
        QCOMPARE(s.desktop.questions.size(), 1);
        QCOMPARE(s.desktop.questions[0].title, QStringLiteral("Refresh"));
        QCOMPARE(s.desktop.questions[0].text, QStringLiteral("Do You Wish To Refresh The Editor?"));
        // The box belongs to the palette editor, so it cannot hide behind the main window.
        QCOMPARE(s.desktop.questions[0].parent, &s.pal());
    }

    void clickBeforeAnyMoveNamesNoColour()
    {
        Session s;
        const auto before = s.model.image();
        s.pal().picPalSelector_Click();
        QCOMPARE(Differences(before, s.model.image()), QList<qint64>{});
        QVERIFY(s.desktop.questions.isEmpty());
    }

    // No keeps the main window's pictures while the swatch shows the new colour; the next
    // redraw shows the new colour everywhere. Yes redraws at once.
    void refreshAnswers_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("No") << false;
        QTest::newRow("Yes") << true;
    }

    void refreshAnswers()
    {
        QFETCH(bool, yes);
        Session s;
        const ShownEntry shown = EntryAtMapCorner(s.model);
        // The metatile at the map's corner also on the table (and, picked, in the preview).
        s.window->hsTable->setValue(shown.metaTile / 16);
        const QPoint tableCell(CellPitch * (shown.metaTile % 2), CellPitch * (shown.metaTile % 16 / 2));
        s.window->editor().TableMouseMove(tableCell.x() + 10, tableCell.y() + 10);
        s.window->editor().TableClick();
        // The white frame off that cell, onto another.
        const QPoint elsewhere = tableCell.isNull() ? QPoint(44, 248) : QPoint(10, 10);
        s.window->editor().TableMouseMove(elsewhere.x(), elsewhere.y());
        const QRgb oldColour = s.window->picEditor->image().pixel(0, 0);
        QCOMPARE(s.window->picTile->image().pixel(tableCell), oldColour);
        QCOMPARE(s.window->picSelectedTile->image().pixel(0, 0), oldColour);

        // A colour that differs from the old one.
        int code = 0x16;
        if (Master(s.model, code) == oldColour)
            code = 0x2A;
        const QImage map = s.window->picEditor->image(), table = s.window->picTile->image(),
                     preview = s.window->picSelectedTile->image();
        const auto bgColors = s.model.BgColors;
        s.selectSwatch(shown.entry);
        s.desktop.yesNoAnswers.enqueue(yes);
        s.clickColour(code);
        QCOMPARE(s.desktop.questions.size(), 1);
        QCOMPARE(s.paletteByte(shown.entry), code);
        QCOMPARE(s.pal().picPal[shown.entry]->color(), Master(s.model, code));

        if (!yes) {
            QCOMPARE(s.window->picEditor->image(), map);
            QCOMPARE(s.window->picTile->image(), table);
            QCOMPARE(s.window->picSelectedTile->image(), preview);
            QCOMPARE(s.model.BgColors, bgColors);
            s.window->mnuRefresh_Click(); // a later refresh
        }
        QCOMPARE(s.window->picEditor->image().pixel(0, 0), Master(s.model, code));
        QCOMPARE(s.window->picTile->image().pixel(tableCell), Master(s.model, code));
        QCOMPARE(s.window->picSelectedTile->image().pixel(0, 0), Master(s.model, code));
        QCOMPARE(ToQRgb(s.model.BgColors[shown.entry]), Master(s.model, code));
        QCOMPARE(s.pal().picPal[shown.entry]->color(), Master(s.model, code));
    }

    // Every redraw of the table shows the palette bytes as they now are on the swatches;
    // the tool-tips name the stored bytes at once. A byte above 63 shows the colour of its
    // low six bits.
    void swatchesFollowTheTable()
    {
        Session s;
        frmPalEditor &p = s.pal();
        p.picPal_Click(6);
        QVERIFY(s.model.writeByte(s.model.PalOffset + 2, 0x52));
        QVERIFY(s.model.writeByte(s.model.PalOffset + 15, 0x3F));
        QCOMPARE(p.picPal[2]->toolTip(), QStringLiteral("$52"));
        QCOMPARE(p.picPal[15]->toolTip(), QStringLiteral("$3F"));
        const QRgb stale = p.picPal[2]->color();
        QCOMPARE(stale, ToQRgb(s.model.BgColors[2]));
        s.window->hsTable->setValue(4); // a page change redraws the table
        QCOMPARE(p.picPal[2]->color(), Master(s.model, 0x12));
        QCOMPARE(p.picPal[15]->color(), Master(s.model, 0x3F));
        for (int e = 0; e < 16; ++e)
            QCOMPARE(p.picPal[e]->color(), ToQRgb(s.model.BgColors[e]));
        // The selection stays through a redraw and through choosing another stage, whose
        // colours and bytes the swatches then show.
        s.window->mnuEdit_Level_Click(S1A);
        QCOMPARE(p.selectedEntry(), 6);
        for (int e = 0; e < 16; ++e) {
            QCOMPARE(p.picPal[e]->color(), Master(s.model, s.paletteByte(e) & 0x3F));
            QCOMPARE(p.picPal[e]->toolTip(), QStringLiteral("$%1").arg(s.paletteByte(e), 2, 16, QChar(u'0')).toUpper());
        }
    }

    // Ctrl+P places the window 33 pixels right of and below the main window's corner and
    // brings it forward; closed and opened again it starts with swatch 1.
    void openingAndReopening()
    {
        Session s;
        frmPalEditor *first = s.window->palEditor;
        QVERIFY(first && first->isVisible());
        QCOMPARE(first->frameGeometry().topLeft(), s.window->frameGeometry().topLeft() + QPoint(33, 33));
        s.window->move(s.window->pos() + QPoint(40, 25));
        first->picPal_Click(9);
        QCOMPARE(s.openPalette(), first); // still open: the same window, placed again
        QCOMPARE(first->frameGeometry().topLeft(), s.window->frameGeometry().topLeft() + QPoint(33, 33));
        QCOMPARE(first->selectedEntry(), 9);

        QVERIFY(first->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!s.window->palEditor);
        s.window->hsTable->setValue(2); // a table redraw with the editor closed
        frmPalEditor *again = s.openPalette();
        QVERIFY(again && again->isVisible());
        QCOMPARE(again->selectedEntry(), 1);
        for (int e = 0; e < 16; ++e)
            QCOMPARE(again->picPal[e]->isBordered(), e == 1);
    }

    // A palette that lies beyond the end of an image opened after the stage was chosen is
    // neither written nor shown as changed, and no question is asked.
    void paletteOutsideTheImage()
    {
        Session s;
        const QString shortPath = s.dir.filePath(QStringLiteral("short.nes"));
        QFile original(s.romPath), shortened(shortPath);
        QVERIFY(original.open(QIODevice::ReadOnly) && shortened.open(QIODevice::WriteOnly));
        shortened.write(original.read(s.model.PalOffset + 8));
        shortened.close();
        QVERIFY(s.window->OpenRom(shortPath));
        s.desktop.clearLog();
        QCOMPARE(s.pal().picPal[7]->toolTip(), QStringLiteral("$%1").arg(s.paletteByte(7), 2, 16, QChar(u'0')).toUpper());
        QCOMPARE(s.pal().picPal[8]->toolTip(), QString());
        const auto before = s.model.image();
        const QRgb swatch = s.pal().picPal[12]->color();
        s.selectSwatch(12);
        s.clickColour(0x21);
        QCOMPARE(Differences(before, s.model.image()), QList<qint64>{});
        QCOMPARE(s.pal().picPal[12]->color(), swatch);
        QVERIFY(s.desktop.questions.isEmpty());
        QVERIFY(!SetPaletteByte(s.model, 15, 0x21));
    }

    // The palette byte write refuses entries and codes outside the palette and the master
    // palette.
    void paletteByteRanges()
    {
        Session s;
        const auto before = s.model.image();
        QVERIFY(!SetPaletteByte(s.model, -1, 0x10));
        QVERIFY(!SetPaletteByte(s.model, 16, 0x10));
        QVERIFY(!SetPaletteByte(s.model, 3, 64));
        QVERIFY(!SetPaletteByte(s.model, 3, -1));
        QCOMPARE(Differences(before, s.model.image()), QList<qint64>{});
    }

    // The box the program shows: the question with Yes and No, no icon, on the window
    // that asks.
    void questionBox()
    {
        QtDesktop desktop;
        QWidget owner;
        owner.show();
        QString problem = QStringLiteral("no box");
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            problem.clear();
            if (box->icon() != QMessageBox::NoIcon)
                problem += QStringLiteral(" icon");
            if (box->standardButtons() != (QMessageBox::Yes | QMessageBox::No))
                problem += QStringLiteral(" buttons");
            if (box->parentWidget() != &owner)
                problem += QStringLiteral(" parent");
            if (box->windowTitle() != QStringLiteral("Refresh") || box->text() != QStringLiteral("Question?"))
                problem += QStringLiteral(" texts");
            box->button(QMessageBox::Yes)->click();
        });
        QVERIFY(desktop.askYesNo(&owner, QStringLiteral("Refresh"), QStringLiteral("Question?")));
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }

    // Open a copy of the sample, choose a stage, change two palette bytes (answering Yes
    // once and No once) and save: exactly those bytes and the fix-up differ.
    void endToEndEditAndSave()
    {
        Session s(S3);
        QFile original(QStringLiteral(KRELIN_SAMPLE));
        QVERIFY(original.open(QIODevice::ReadOnly));
        QByteArray expected = original.readAll();
        const int pal = StageTable[S3].PalOffset;
        const int codeA = (quint8(expected[pal + 5]) + 0x11) & 0x3F;
        const int codeB = (quint8(expected[pal + 10]) + 0x23) & 0x3F;

        s.selectSwatch(5);
        s.desktop.yesNoAnswers.enqueue(true);
        s.clickColour(codeA);
        s.selectSwatch(10);
        s.desktop.yesNoAnswers.enqueue(false);
        s.clickColour(codeB);
        QVERIFY(s.desktop.unanswered.isEmpty());
        s.window->mnuSaveRom_Click();
        QVERIFY2(s.desktop.messages.isEmpty(), qPrintable(s.desktop.messageTexts()));

        expected[pal + 5] = char(codeA);
        expected[pal + 10] = char(codeB);
        expected[FixUpTarget] = expected[FixUpSource];
        expected[FixUpTarget + 1] = expected[FixUpSource + 1];
        QFile saved(s.romPath);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QByteArray written = saved.readAll();
        QCOMPARE(written.size(), expected.size());
        for (qsizetype i = 0; i < written.size(); ++i)
            if (written[i] != expected[i])
                QFAIL(qPrintable(QStringLiteral("byte 0x%1 differs").arg(i, 0, 16)));
    }
};

QTEST_MAIN(TestPalEditor)
#include "test_paleditor.moc"
