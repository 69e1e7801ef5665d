// File > Export Tiles and Import Tiles in the real window: a sheet exported, edited as a
// paint program would and imported changes exactly the pixels edited, as one step; what
// the user is told first; refusals. And Edit > Preferences, kept in the settings.
#include "Bytes.h"
#include "MainWindowFixture.h"
#include "SyntheticImage.h"
#include "core/Preferences.h"
#include "core/StageTable.h"
#include "render/TileSheet.h"
#include "ui/PreferencesDialog.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QSettings>
#include <QTest>

using namespace krelin;
using namespace krelin::testing;

namespace {

// Stage 1A of a copy of the sample, metatile 0 selected.
struct Sheets : MainWindowFixture<>
{
    QString sheetPath = dir.filePath(QStringLiteral("tiles.png"));
    Sheets() { QVERIFY(Controls(window).mnuEdit_Level_Click(0)); }

    bool exportTiles()
    {
        desktop.saveAnswers << sheetPath;
        return Part<TileSheetCommands>(window.get()).mnuExportTiles_Click();
    }
    bool importTiles(const QString &path, bool yes = true)
    {
        desktop.openAnswers << path;
        desktop.yesNoAnswers << yes;
        return Part<TileSheetCommands>(window.get()).mnuImportTiles_Click();
    }
    int tilePixel(const Bytes &image, int t, int j, int r) const
    {
        return DecodeTilePixel(image.data() + model.ChrOffset + 16 * t, j, r);
    }
};

} // namespace

class TestTileSheets : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    // Exported, edited in a paint program that keeps the palette (by index) or saves
    // colours (by colour, one of them off the palette), imported: exactly the pixels
    // edited change, as one step that undoes to the image as it was.
    void exportEditImport_data()
    {
        QTest::addColumn<bool>("indexed");
        QTest::newRow("indexed, by index") << true;
        QTest::newRow("RGB, by colour") << false;
    }
    void exportEditImport()
    {
        QFETCH(bool, indexed);
        Sheets s;
        QVERIFY(s.exportTiles());
        QImage sheet(s.sheetPath);
        QCOMPARE(sheet.size(), QSize(128, 128));
        QCOMPARE(sheet.colorCount(), 4);
        const QList<QRgb> four = sheet.colorTable();
        const Bytes original = s.model.image();

        // Three pixels of tiles 0x00, 0x3B and 0xFF repainted.
        const QList<QPoint> edited{{2, 5}, {8 * 11 + 7, 8 * 3}, {127, 127}};
        QList<int> wanted;
        if (!indexed)
            sheet = sheet.convertToFormat(QImage::Format_RGB32);
        for (QPoint p : edited) {
            const int t = 16 * (p.y() / 8) + p.x() / 8;
            wanted << (s.tilePixel(original, t, p.x() % 8, p.y() % 8) + 1) % 4;
            if (indexed)
                sheet.setPixel(p, uint(wanted.last()));
            else
                sheet.setPixel(p, four[wanted.last()] ^ (p.x() == 127 ? 0x000101 : 0)); // the last one off by a little
        }
        QVERIFY(sheet.save(s.sheetPath));

        QVERIFY(s.importTiles(s.sheetPath));
        const QString question = s.desktop.questions.last().text;
        QVERIFY2(question.contains(QStringLiteral("3 of its 256 tiles change"))
                     && question.contains(QStringLiteral("shared with stages 1B, 1C")),
                 qPrintable(question));
        QCOMPARE(question.contains(QStringLiteral("1 pixel has none of the four colours")), !indexed);
        const Bytes imported = s.model.image();
        for (qint64 i : ChangedOffsets(original, imported))
            QVERIFY(i >= s.model.ChrOffset && i < s.model.ChrOffset + 4096);
        for (int t = 0; t < 256; ++t)
            for (int r = 0; r < 8; ++r)
                for (int j = 0; j < 8; ++j) {
                    const int at = edited.indexOf(QPoint(8 * (t % 16) + j, 8 * (t / 16) + r));
                    QCOMPARE(s.tilePixel(imported, t, j, r), at >= 0 ? wanted[at] : s.tilePixel(original, t, j, r));
                }
        QUndoStack &stack = Controls(s.window).history().stack();
        QCOMPARE(stack.count(), 1);
        QCOMPARE(stack.undoText(), QStringLiteral("Import Tiles tiles.png"));
        stack.undo();
        QVERIFY(s.model.image() == original);
    }

    // The sheet just exported changes nothing and asks nothing; No leaves the image; a
    // sheet of another size, or no picture, is refused with a message.
    void nothingToChangeAndRefusals()
    {
        Sheets s;
        QVERIFY(s.exportTiles());
        const Bytes original = s.model.image();
        QVERIFY(!s.importTiles(s.sheetPath));
        QVERIFY(s.desktop.questions.isEmpty());
        s.desktop.yesNoAnswers.clear();
        QVERIFY(s.desktop.messages.last().text.contains(QStringLiteral("nothing changed")));

        QImage sheet(s.sheetPath);
        sheet.setPixel(0, 0, (sheet.pixelIndex(0, 0) + 1) % 4);
        QVERIFY(sheet.save(s.sheetPath));
        QVERIFY(!s.importTiles(s.sheetPath, false));
        QCOMPARE(s.desktop.questions.size(), 1);

        const QString wide = s.dir.filePath(QStringLiteral("wide.png"));
        QVERIFY(QImage(256, 128, QImage::Format_RGB32).save(wide));
        QVERIFY(!s.importTiles(wide));
        QVERIFY(s.desktop.messages.last().text.contains(QStringLiteral("256 × 128")));
        QVERIFY(s.model.image() == original);
        QCOMPARE(Controls(s.window).history().stack().count(), 0);
    }

    // Edit > Preferences shows the preferences as they are and keeps what OK puts there
    // in the settings, for the next run; Cancel keeps nothing.
    void preferencesKept()
    {
        QTemporaryDir dir;
        QSettings settings(dir.filePath(QStringLiteral("krelin.conf")), QSettings::IniFormat);
        modKrelin model;
        ScriptedDesktop desktop;
        auto window = std::make_unique<frmKrelin>(model, desktop, QStringLiteral(KRELIN_RUNTIME_DIR), &settings);
        QCOMPARE(Controls(window).mnuPreferences->shortcut(), QKeySequence(QStringLiteral("Ctrl+,")));
        Controls(window).mnuPreferences->trigger();
        PreferencesDialog *dialog = Controls(window).preferencesDialog;
        QVERIFY(dialog && dialog->chkTileEditorNotice->isChecked() && dialog->chkPaletteQuestion->isChecked());
        dialog->chkPaletteQuestion->setChecked(false);
        dialog->txtEmulatorCommand->setText(QStringLiteral("  emu --fast %f "));
        dialog->reject();
        QVERIFY(Controls(window).preferences().paletteQuestion());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        Controls(window).mnuPreferences->trigger();
        dialog = Controls(window).preferencesDialog;
        QVERIFY(dialog->chkPaletteQuestion->isChecked());
        dialog->chkPaletteQuestion->setChecked(false);
        dialog->chkTileEditorNotice->setChecked(false);
        dialog->txtEmulatorCommand->setText(QStringLiteral("  emu --fast %f "));
        QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        window.reset();

        QSettings read(dir.filePath(QStringLiteral("krelin.conf")), QSettings::IniFormat);
        Preferences kept(&read);
        QVERIFY(!kept.paletteQuestion() && !kept.tileEditorNotice());
        QCOMPARE(kept.emulatorCommand(), QStringLiteral("emu --fast %f"));
    }
};

QTEST_MAIN(TestTileSheets)
#include "test_tilesheets.moc"
