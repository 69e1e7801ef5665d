// The patch commands that show what they change and describe themselves, through the
// real windows: Apply Patch's preview, Create Patch's description and author.
#include "CompareSession.h"

#include "core/DiffReport.h"
#include "core/Patch.h"
#include "core/PatchInfo.h"
#include "edit/EditCommands.h"
#include "ui/PatchCommands.h"
#include "ui/PatchPreviewDialog.h"

#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <QUndoStack>

using namespace krelin;
using namespace krelin::testing;

class TestPatchWindow : public QObject
{
    Q_OBJECT

private slots:
    void patchPreview_data();
    void patchPreview();
    void patchPreviewOfLongMetadata();
    void describedPatch();
    void authorKept();
};

void TestPatchWindow::patchPreview_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("apply");
    QTest::addColumn<bool>("same"); // the patch changes nothing
    QTest::newRow("IPS, cancelled") << "hack.ips" << false << false;
    QTest::newRow("BPS, applied") << "hack.bps" << true << false;
    QTest::newRow("BPS that changes nothing") << "none.bps" << false << true;
}

// Apply Patch shows what the patch would change, as --diff says it, and for a BPS patch
// its description; Cancel leaves everything as it was, Apply makes one step.
void TestPatchWindow::patchPreview()
{
    QFETCH(QString, name);
    QFETCH(bool, apply);
    QFETCH(bool, same);
    CompareSession s;
    const Bytes clean = s.model.image();
    const Bytes target = same ? clean : PlantedCopy(clean);
    const QString path = s.dir.filePath(name);
    const QString error = WriteDescribedPatchFile(path, clean, target, {QStringLiteral("Room 1 reopened"),
                                                                       QStringLiteral("A. Hacker")});
    const bool bps = name.endsWith(QLatin1String(".bps"));
    if (bps)
        QVERIFY2(error.isEmpty(), qPrintable(error));
    else
        QVERIFY(WriteBytes(path, MakeIpsPatch(clean, target)));
    s.desktop.openAnswers << path;
    QVERIFY(Part<PatchCommands>(s.window.get()).mnuApplyPatch_Click());
    PatchPreviewDialog *preview = Controls(s.window).patchPreview();
    QVERIFY(preview);
    QVERIFY(s.model.image() == clean); // nothing before the answer
    const QString text = preview->text();
    if (same) {
        QVERIFY2(text.contains(QStringLiteral("The patch changes nothing.")), qPrintable(text));
        QVERIFY(preview->cmdApply->isHidden());
    } else {
        for (const QString &line : DiffSummary(ImageDiff(clean, target), QStringLiteral("the open image"),
                                               QStringLiteral("the patched image")))
            QVERIFY2(text.contains(line), qPrintable(line));
    }
    QCOMPARE(text.contains(QStringLiteral("Description: Room 1 reopened")), bps);
    QCOMPARE(text.contains(QStringLiteral("Author: A. Hacker")), bps);
    QVERIFY(preview->cmdCancel->isDefault());
    QVERIFY(s.desktop.messages.isEmpty());

    (apply ? preview->cmdApply : preview->cmdCancel)->click();
    QVERIFY(s.model.image() == (apply ? target : clean));
    QCOMPARE(Controls(s.window).history().stack().count(), apply ? 1 : 0);
}

// What a patch says of itself is shown as plain text, and only its start when it is long:
// the file decides its length, not the dialog.
void TestPatchWindow::patchPreviewOfLongMetadata()
{
    CompareSession s;
    const Bytes clean = s.model.image();
    const QByteArray said = "<b>Made elsewhere</b> " + QByteArray(200000, 'x');
    const Bytes patch = MakeBpsPatch(clean, PlantedCopy(clean), Bytes(said.begin(), said.end()));
    const QString path = s.dir.filePath(QStringLiteral("long.bps"));
    QVERIFY(WriteBytes(path, patch));
    s.desktop.openAnswers << path;
    QVERIFY(Part<PatchCommands>(s.window.get()).mnuApplyPatch_Click());
    PatchPreviewDialog *preview = Controls(s.window).patchPreview();
    QVERIFY(preview);
    QLabel *label = preview->findChild<QLabel *>(QStringLiteral("lblPatchDescription"));
    QVERIFY(label);
    QCOMPARE(label->textFormat(), Qt::PlainText);
    QVERIFY(label->text().startsWith(QStringLiteral("Description: <b>Made elsewhere</b> xxx")));
    QVERIFY2(label->text().size() < 400 && label->text().endsWith(QStringLiteral("…")), qPrintable(label->text().left(80)));
    preview->cmdCancel->click();
    QVERIFY(s.model.image() == clean);
}

// Create Patch asks a BPS patch's description and author, which the patch keeps; the
// author is offered again next time. An IPS patch asks neither.
void TestPatchWindow::describedPatch()
{
    CompareSession s;
    const int placed = s.model.byteAt(LevelCellOffset(StageThree, 0, 1, 1)) ^ 1;
    Controls(s.window).history().push(new PlaceMetaTileCommand(s.model, 0, 1, 1, placed));
    const QString path = s.dir.filePath(QStringLiteral("mine.bps"));
    s.desktop.openAnswers << QStringLiteral(KRELIN_SAMPLE);
    s.desktop.saveAnswers << path;
    s.desktop.textAnswers << QStringLiteral("Stage 3 opened up") << QStringLiteral("A. Hacker");
    QVERIFY2(Controls(s.window).mnuCreatePatch_Click(), qPrintable(s.desktop.messageTexts()));
    const PatchInfo info = ReadPatchInfo(BytesOf(ReadFile(path)));
    QVERIFY(info.ok());
    QCOMPARE(info.metadata.description(), QStringLiteral("Stage 3 opened up"));
    QCOMPARE(info.metadata.author(), QStringLiteral("A. Hacker"));
    QVERIFY(info.metadata.field(u"Stages").split(QStringLiteral(", ")).contains(QStringLiteral("3")));

    // IPS: no questions.
    s.desktop.textQuestions.clear();
    s.desktop.openAnswers << QStringLiteral(KRELIN_SAMPLE);
    s.desktop.saveAnswers << s.dir.filePath(QStringLiteral("mine.ips"));
    QVERIFY(Controls(s.window).mnuCreatePatch_Click());
    QVERIFY(s.desktop.textQuestions.isEmpty());

    // A cancelled question writes nothing.
    s.desktop.openAnswers << QStringLiteral(KRELIN_SAMPLE);
    s.desktop.saveAnswers << s.dir.filePath(QStringLiteral("again.bps"));
    s.desktop.textAnswers << QString() << std::nullopt;
    QVERIFY(!Controls(s.window).mnuCreatePatch_Click());
    QVERIFY(!QFile::exists(s.dir.filePath(QStringLiteral("again.bps"))));
}

// The author given last is offered for the next patch, in the next run too.
void TestPatchWindow::authorKept()
{
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("krelin.conf")), QSettings::IniFormat);
    const QString rom = dir.filePath(QStringLiteral("game.nes"));
    QVERIFY(QFile::copy(QStringLiteral(KRELIN_SAMPLE), rom));
    QFile::setPermissions(rom, QFile::ReadOwner | QFile::WriteOwner);
    for (const QString &author : {QStringLiteral("A. Hacker"), QStringLiteral("B. Hacker")}) {
        modKrelin model;
        ScriptedDesktop desktop;
        auto window = std::make_unique<frmKrelin>(model, desktop, QStringLiteral(KRELIN_RUNTIME_DIR), &settings);
        QVERIFY(window->OpenRom(rom));
        Controls(window).mnuEdit_Level_Click(S1A);
        const int placed = model.byteAt(LevelCellOffset(model, 0, 1, 1)) ^ 1;
        Controls(window).history().push(new PlaceMetaTileCommand(model, 0, 1, 1, placed));
        desktop.openAnswers << QStringLiteral(KRELIN_SAMPLE);
        desktop.saveAnswers << dir.filePath(author + QStringLiteral(".bps"));
        desktop.textAnswers << QString() << author;
        QVERIFY2(Controls(window).mnuCreatePatch_Click(), qPrintable(desktop.messageTexts()));
        QCOMPARE(desktop.textQuestions.size(), 2);
        const QString offered = desktop.textQuestions[1].text.section(u'\n', 1);
        QCOMPARE(offered, author == QLatin1String("A. Hacker") ? QString() : QStringLiteral("A. Hacker"));
    }
}

QTEST_MAIN(TestPatchWindow)
#include "test_patchwindow.moc"
