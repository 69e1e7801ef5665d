// The palette editor driven through the real windows: layout and master colour grid,
// colour clicks checked by the bytes of the image, the refresh question and its answers,
// swatches following the table, opening and reopening, and an edit saved to a file.

#include "SavedImage.h"
#include "Bytes.h"
#include "MainWindowFixture.h"

#include "core/RomFile.h"
#include "core/StageTable.h"
#include "core/modKrelin.h"
#include "edit/PaletteEdits.h"
#include "paleditor/frmPalEditor.h"
#include "core/TileCodec.h"
#include "render/TilePainter.h"
#include "ui/frmKrelin.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>
#include <memory>

using namespace krelin;
using namespace krelin::testing;

namespace {

enum StageIndex { S1A = 0, S3 = 6 };

QRgb Master(const modKrelin &model, int k)
{
    return qRgb(model.NesRed[k], model.NesGreen[k], model.NesBlue[k]);
}

// Whether mark is black or white and stands out against color: their brightness differs
// by about half the scale at least.
bool Contrasts(QRgb mark, QRgb color)
{
    const auto luma = [](QRgb c) { return (299 * qRed(c) + 587 * qGreen(c) + 114 * qBlue(c)) / 1000; };
    return (mark == 0xFFFFFFFFu || mark == 0xFF000000u) && std::abs(luma(mark) - luma(color)) >= 120;
}

QString Code(int byte)
{
    return QStringLiteral("$%1").arg(byte, 2, 16, QChar(u'0')).toUpper();
}

// A main window on a copy of the sample with stage 3 chosen and its palette editor open.
struct Session : MainWindowFixture<>
{
    Session()
    {
        QVERIFY(Controls(window).mnuEdit_Level_Click(S3));
        QVERIFY(openPalette());
    }

    frmPalEditor *openPalette()
    {
        Controls(window).mnuEditPalette->trigger();
        frmPalEditor *p = Controls(window).palEditor;
        return p && QTest::qWaitForWindowExposed(p) ? p : nullptr;
    }
    frmPalEditor &pal() { return *Controls(window).palEditor; }

    // Moves the pointer to (x, y) of the grid's surface and clicks there. The move goes
    // straight to the surface: through the headless platform it could land on the main
    // window, which lies under this one there.
    void clickGrid(QPointF at, bool move = true)
    {
        PictureSurface *grid = pal().picPalSelector;
        at += QPointF(PictureSurface::BorderWidth, PictureSurface::BorderWidth);
        QMouseEvent moved(QEvent::MouseMove, at, grid->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        if (move)
            QApplication::sendEvent(grid, &moved);
        QTest::mouseClick(grid, Qt::LeftButton, {}, at.toPoint());
    }
    void clickColour(int k) { clickGrid(QPointF(13 * (k % 16) + 6, 13 * (k / 16) + 6)); }
    void selectSwatch(int e) { QTest::mouseClick(pal().picPal[e], Qt::LeftButton); }
    int paletteByte(int e) { return model.byteAt(model.PalOffset + e); }
    QList<qint64> changedSince(const Bytes &before) { return ChangedOffsets(before, model.image()); }
};

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
        QCOMPARE(p.minimumSize(), p.maximumSize());
        // Positions and sizes are given in twips, 15 to the pixel.
        for (int e = 0; e < 16; ++e) {
            QCOMPARE(p.findChild<ColorSwatch *>(QStringLiteral("picPal_%1").arg(e)), p.picPal[e]);
            QCOMPARE(p.picPal[e]->geometry(), QRect((480 + 600 * (e % 4)) / 15, (60 + 600 * (e / 4)) / 15, 33, 33));
            QCOMPARE(p.picPal[e]->isBordered(), e == 1);
            QCOMPARE(p.picPal[e]->color(), ToQRgb(s.model.BgColors()[e]));
            QCOMPARE(p.picPal[e]->toolTip(), Code(s.paletteByte(e)));
        }
        QCOMPARE(p.findChild<PictureSurface *>(QStringLiteral("picPalSelector"))->geometry(),
                 QRect(60 / 15, 2460 / 15, 3195 / 15, 855 / 15));
        QCOMPARE(p.size(), QSize(4 + 213 + 4, 164 + 57 + 4)); // the top-left margin all round

        // Every square in its colour, but the selected swatch's, which carries an outline.
        const QImage &grid = p.picPalSelector->image();
        const int selected = s.paletteByte(1) & 0x3F;
        for (int y = 0; y < 52; ++y)
            for (int x = 0; x < 208; ++x) {
                const int k = 16 * (y / 13) + x / 13, dx = x % 13, dy = y % 13;
                const bool ring = k == selected && (dx < 2 || dy < 2 || dx > 10 || dy > 10);
                if (!ring && grid.pixel(x, y) != Master(s.model, k))
                    QFAIL(qPrintable(QStringLiteral("grid pixel (%1, %2)").arg(x).arg(y)));
            }
        QCOMPARE(grid.pixel(208, 0), ClearColor);
        QCOMPARE(grid.pixel(0, 52), ClearColor);
    }

    // A click on the grid writes the colour under the pointer (rounded to whole pixels,
    // halves to even) into the selected byte and nothing else, shows it on the swatch and
    // asks on the palette editor's behalf; a click that names no colour does nothing.
    void colourClicks_data()
    {
        QTest::addColumn<int>("swatch");
        QTest::addColumn<QPointF>("at"); // grid pixels
        QTest::addColumn<int>("code");   // -1: no colour
        QTest::addColumn<bool>("moved");
        QTest::newRow("top-left square") << 1 << QPointF(0, 0) << 0x00 << true;
        QTest::newRow("bottom-right square") << 1 << QPointF(207.4, 51) << 0x3F << true;
        QTest::newRow("swatch 13, column 2 of row 1") << 13 << QPointF(32, 19) << 0x12 << true;
        QTest::newRow("12.5 rounds to 12") << 0 << QPointF(12.5, 26) << 0x20 << true;
        QTest::newRow("13.5 rounds to 14") << 0 << QPointF(13.5, 26) << 0x21 << true;
        QTest::newRow("207.5 rounds past column 15") << 1 << QPointF(207.5, 10) << -1 << true;
        QTest::newRow("below row 3") << 1 << QPointF(10, 52) << -1 << true;
        QTest::newRow("on the surface's border") << 1 << QPointF(-2, 10) << -1 << true;
        QTest::newRow("before any pointer move") << 1 << QPointF(0, 0) << -1 << false;
    }

    void colourClicks()
    {
        QFETCH(int, swatch);
        QFETCH(QPointF, at);
        QFETCH(int, code);
        QFETCH(bool, moved);
        Session s;
        QVERIFY(s.model.writeByte(s.model.PalOffset + swatch, code == 0 ? 0x21 : 0x00)); // so the write shows
        s.selectSwatch(swatch);
        for (int e = 0; e < 16; ++e)
            QCOMPARE(s.pal().picPal[e]->isBordered(), e == swatch);
        const auto before = s.model.image();
        const QRgb swatchBefore = s.pal().picPal[swatch]->color();

        s.clickGrid(at, moved);

        if (code < 0) {
            QVERIFY(s.changedSince(before).isEmpty());
            QVERIFY(s.desktop.questions.isEmpty());
            QCOMPARE(s.pal().picPal[swatch]->color(), swatchBefore);
            return;
        }
        QCOMPARE(s.changedSince(before), QList<qint64>{s.model.PalOffset + swatch});
        QCOMPARE(s.paletteByte(swatch), code);
        QCOMPARE(s.pal().picPal[swatch]->color(), Master(s.model, code));
        QCOMPARE(s.pal().picPal[swatch]->toolTip(), Code(code));
        QCOMPARE(s.desktop.questions.size(), 1);
        QCOMPARE(s.desktop.questions[0].title, QStringLiteral("Refresh"));
        QCOMPARE(s.desktop.questions[0].text, QStringLiteral("Do You Wish To Refresh The Editor?"));
        QCOMPARE(s.desktop.questions[0].parent, &s.pal());
    }

    // No keeps the main window's pictures while the swatch shows the new colour; the next
    // redraw shows it everywhere. Yes redraws at once.
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
        // The map's top-left pixel is pixel (0, 0) of the first tile of the metatile there.
        const int n = s.model.byteAt(s.model.LevelOffset);
        const std::uint8_t *tile = s.model.bytesAt(s.model.ChrOffset + 16 * s.model.byteAt(s.model.MetaTileOffset + 4 * n), 16);
        const int entry = 4 * (s.model.byteAt(s.model.MetaPalOffset + n) & 3) + GetTilePixel(tile, 0, 0);
        const QImage map = Controls(s.window).picEditor->image(), table = Controls(s.window).picTile->image();
        const int code = Master(s.model, 0x16) == map.pixel(0, 0) ? 0x2A : 0x16;

        s.selectSwatch(entry);
        s.desktop.yesNoAnswers.enqueue(yes);
        s.clickColour(code);
        QCOMPARE(s.pal().picPal[entry]->color(), Master(s.model, code));
        if (!yes) {
            QCOMPARE(Controls(s.window).picEditor->image(), map);
            QCOMPARE(Controls(s.window).picTile->image(), table);
            QVERIFY(ToQRgb(s.model.BgColors()[entry]) != Master(s.model, code));
            Controls(s.window).mnuRefresh_Click(); // a later refresh
        }
        QCOMPARE(Controls(s.window).picEditor->image().pixel(0, 0), Master(s.model, code));
        QCOMPARE(ToQRgb(s.model.BgColors()[entry]), Master(s.model, code));
        QCOMPARE(s.pal().picPal[entry]->color(), Master(s.model, code));
    }

    // Every redraw of the table shows the bytes as they now are; the tool-tips name the
    // stored bytes at once. A byte above 63 shows the colour of its low six bits.
    void swatchesFollowTheTable()
    {
        Session s;
        frmPalEditor &p = s.pal();
        p.picPal_Click(6);
        QVERIFY(s.model.writeByte(s.model.PalOffset + 2, 0x52));
        QVERIFY(s.model.writeByte(s.model.PalOffset + 15, 0x3F));
        QCOMPARE(p.picPal[2]->toolTip(), QStringLiteral("$52"));
        QCOMPARE(p.picPal[15]->toolTip(), QStringLiteral("$3F"));
        Controls(s.window).hsTable->setValue(4); // a page change redraws the table
        QCOMPARE(p.picPal[2]->color(), Master(s.model, 0x12));
        QCOMPARE(p.picPal[15]->color(), Master(s.model, 0x3F));
        // Another stage: its colours and codes; the selection stays.
        Controls(s.window).mnuEdit_Level_Click(S1A);
        QCOMPARE(p.selectedEntry(), 6);
        for (int e = 0; e < 16; ++e) {
            QCOMPARE(p.picPal[e]->color(), Master(s.model, s.paletteByte(e) & 0x3F));
            QCOMPARE(p.picPal[e]->toolTip(), Code(s.paletteByte(e)));
        }
    }

    // A swatch shows the colour of the byte stored, with its code written on it, even after
    // a colour answered No and the window closed and opened again; the outline in the grid
    // follows the selected swatch and its byte. Marks and codes contrast with the colour.
    void swatchesShowStoredBytes()
    {
        Session s;
        const QImage table = Controls(s.window).picTile->image();
        s.selectSwatch(6);
        const int code = (s.paletteByte(6) + 0x10) % 0x40;
        s.desktop.yesNoAnswers << false;
        s.clickColour(code);
        QVERIFY(s.pal().close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        frmPalEditor *again = s.openPalette();
        QCOMPARE(Controls(s.window).picTile->image(), table); // No kept the old colours there
        QCOMPARE(again->picPal[6]->color(), Master(s.model, code));
        QCOMPARE(again->picPal[6]->text(), Code(code));
        for (int e = 0; e < 16; ++e)
            QVERIFY(Contrasts(again->picPal[e]->borderColor(), again->picPal[e]->color()));
        // Both pixels of the ring's width on square k's left side contrast with the square.
        const auto outlined = [&](int k) {
            const QImage &grid = again->picPalSelector->image();
            const int x = 13 * (k % 16), y = 13 * (k / 16) + 6;
            return Contrasts(grid.pixel(x, y), Master(s.model, k)) && Contrasts(grid.pixel(x + 1, y), Master(s.model, k));
        };
        QVERIFY(outlined(s.paletteByte(1) & 0x3F));
        s.selectSwatch(6);
        QCOMPARE(again->outlinedColour(), code);
        QVERIFY(outlined(code));
        QVERIFY(!outlined(s.paletteByte(1) & 0x3F) || (s.paletteByte(1) & 0x3F) == code);
        QVERIFY(s.model.writeByte(s.model.PalOffset + 6, 0x2C)); // an undo or a patch
        QCOMPARE(again->outlinedColour(), 0x2C);
        QVERIFY(outlined(0x2C) && !outlined(code));
    }

    // "Don't ask again" ticked: the answer given counts this time; from then on a colour
    // is shown everywhere at once, as Yes does, and nothing is asked.
    void dontAskAgain()
    {
        Session s;
        s.desktop.yesNoAnswers << false;
        s.desktop.checkAnswers << true;
        s.selectSwatch(2);
        s.clickColour(0x16);
        QCOMPARE(s.desktop.questions.size(), 1);
        QVERIFY(!Controls(s.window).preferences().paletteQuestion());
        QVERIFY(ToQRgb(s.model.BgColors()[2]) != Master(s.model, 0x16) || s.paletteByte(2) == 0x16);
        s.clickColour(0x2A);
        QCOMPARE(s.desktop.questions.size(), 1);
        QCOMPARE(ToQRgb(s.model.BgColors()[2]), Master(s.model, 0x2A));
        QVERIFY(!Controls(s.window).editor().waitsForTileEditor());
    }

    // The window sits 33 pixels right of and below the main window's corner, also when
    // brought forward again; closed and opened again it starts with swatch 1.
    void openingAndReopening()
    {
        Session s;
        frmPalEditor *first = Controls(s.window).palEditor;
        QCOMPARE(first->frameGeometry().topLeft(), s.window->frameGeometry().topLeft() + QPoint(33, 33));
        s.window->move(s.window->pos() + QPoint(40, 25));
        first->picPal_Click(9);
        QCOMPARE(s.openPalette(), first);
        QCOMPARE(first->frameGeometry().topLeft(), s.window->frameGeometry().topLeft() + QPoint(33, 33));
        QCOMPARE(first->selectedEntry(), 9);

        QVERIFY(first->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!Controls(s.window).palEditor);
        Controls(s.window).hsTable->setValue(2); // a table redraw with the editor closed
        frmPalEditor *again = s.openPalette();
        QVERIFY(again);
        QCOMPARE(again->selectedEntry(), 1);
        for (int e = 0; e < 16; ++e)
            QCOMPARE(again->picPal[e]->isBordered(), e == 1);
    }

    // An image opened after the stage was chosen that cannot hold the stage's palette
    // takes the stage off the window and the palette editor with it; a palette byte
    // beyond the image's end is never written.
    void paletteOutsideTheImage()
    {
        Session s;
        const QString shortPath = s.dir.filePath(QStringLiteral("short.nes"));
        QFile original(s.romPath), shortened(shortPath);
        QVERIFY(original.open(QIODevice::ReadOnly) && shortened.open(QIODevice::WriteOnly));
        shortened.write(original.read(s.model.PalOffset + 8));
        shortened.close();
        QVERIFY(s.window->OpenRom(shortPath));
        QVERIFY(!Controls(s.window).palEditor);
        const auto before = s.model.image();
        QVERIFY(!SetPaletteByte(Controls(s.window).history(), 8, 0x21));
        QVERIFY(s.changedSince(before).isEmpty());
    }

    // Two palette bytes changed (Yes once, No once) and saved: exactly those bytes and the
    // save fix-up differ from the sample.
    void endToEndEditAndSave()
    {
        Session s;
        QFile original(QStringLiteral(KRELIN_SAMPLE));
        QVERIFY(original.open(QIODevice::ReadOnly));
        QByteArray expected = original.readAll();
        const int pal = StageTable[S3].PalOffset;
        const int codeA = (quint8(expected[pal + 5]) + 0x11) & 0x3F;
        const int codeB = (quint8(expected[pal + 10]) + 0x23) & 0x3F;

        s.selectSwatch(5);
        s.desktop.yesNoAnswers << true;
        s.clickColour(codeA);
        s.selectSwatch(10);
        s.desktop.yesNoAnswers << false;
        s.clickColour(codeB);
        QVERIFY(s.desktop.unanswered.isEmpty());
        Controls(s.window).mnuSaveRom_Click();
        QVERIFY2(s.desktop.messages.isEmpty(), qPrintable(s.desktop.messageTexts()));

        expected[pal + 5] = char(codeA);
        expected[pal + 10] = char(codeB);
        ApplyFixUp(expected);
        const QString differs = SavedImageDiffers(s.romPath, expected);
        QVERIFY2(differs.isEmpty(), qPrintable(differs));
    }
};

QTEST_MAIN(TestPalEditor)
#include "test_paleditor.moc"
