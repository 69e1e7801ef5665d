// krelin --diff, run as a user runs it on copies of the sample with differences of every
// kind planted at places worked out here from the layout's rules; and the description a
// BPS patch keeps, as --make-patch writes it and --patch-info reads it.

#include "RunKrelin.h"
#include "Bytes.h"
#include "TestFolders.h"

#include "core/Patch.h"
#include "core/StageTable.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using namespace krelin;
using namespace krelin::testing;

namespace {

QByteArray Sample()
{
    return ReadFile(RuntimeFolder() + QStringLiteral("/sample.nes"));
}

const Stage &S(const char *name)
{
    return *FindStage(QLatin1String(name));
}

QJsonValue Json(const QString &text)
{
    return QJsonDocument::fromJson(QStringLiteral("{\"v\": %1}").arg(text).toUtf8()).object().value(u"v");
}

// The stages as the table gives them, with the kinds a stage leaves out as empty lists.
QJsonArray WithEmptyKinds(const QJsonArray &stages)
{
    QJsonArray out;
    for (const QJsonValue &v : stages) {
        QJsonObject stage = v.toObject();
        for (const char *kind : {"cells", "rooms", "metatiles", "tiles", "palette"})
            if (!stage.contains(QLatin1String(kind)))
                stage.insert(QLatin1String(kind), QJsonArray());
        out.append(stage);
    }
    return out;
}

} // namespace

class TestDiffCommand : public QObject
{
    Q_OBJECT

private slots:
    void diff_data()
    {
        QTest::addColumn<QList<qint64>>("planted"); // offset, byte in A, byte in B; ...
        QTest::addColumn<int>("tail"); // bytes B has past A's end (less than 0: B is that much shorter)
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("stages");
        QTest::addColumn<QString>("other");
        QTest::addColumn<QString>("notCompared"); // the stages past the shorter image's end
        const qint64 s3Level = S("3").LevelOffset, s3Meta = S("3").MetaTileOffset, s3SubPal = S("3").MetaPalOffset;
        // Frames are 15 rows of 16 cells, metatile records four tile numbers, tiles 16 bytes.
        QTest::newRow("a cell") << QList<qint64>{s3Level + 2 * 240 + 3 * 16 + 4, 0x2F, 0x30} << 0
                                << QStringList{"Stage 3: 1 cell (frame 2: row 3, column 4: 2F → 30)"}
                                << R"([{"stage": "3", "cells": [{"frame": 2, "row": 3, "column": 4, "a": 47, "b": 48}]}])"
                                << "[]" << "[]";
        QTest::newRow("a room") << QList<qint64>{S("3").FrameTableOffset + 20, 4, 5} << 0
                                << QStringList{"Stage 3: 1 room (frame 20: 04 → 05)"}
                                << R"([{"stage": "3", "rooms": [{"frame": 20, "a": 4, "b": 5}]}])" << "[]" << "[]";
        QTest::newRow("a shared tile")
            << QList<qint64>{S("1A").ChrOffset + 0x1C * 16 + 7, 0x00, 0xFF} << 0
            << QStringList{"Stage 1A: 1 tile (1C)", "Stage 1B: 1 tile (1C)", "Stage 1C: 1 tile (1C)"}
            << R"([{"stage": "1A", "tiles": [{"tile": 28}]}, {"stage": "1B", "tiles": [{"tile": 28}]},
                  {"stage": "1C", "tiles": [{"tile": 28}]}])"
            << "[]" << "[]";
        QList<qint64> metaTiles;
        for (int q = 0; q < 4; ++q)
            metaTiles << s3Meta + 0x10 * 4 + q << q + 1 << (q == 3 ? 9 : q + 1) << s3Meta + 0x11 * 4 + q << 5 << 5;
        metaTiles << s3SubPal + 0x10 << 0 << 0 << s3SubPal + 0x11 << 1 << 2;
        const QString metaLine = "%1: 2 metatiles (10: tiles 01 02 03 04 → 01 02 03 09; 11: sub-palette 1 → 2)";
        const QString metaJson = R"({"stage": "%1", "metatiles": [{"metatile": 16, "a": [1, 2, 3, 4, 0], "b": [1, 2, 3, 9, 0]},
                                    {"metatile": 17, "a": [5, 5, 5, 5, 1], "b": [5, 5, 5, 5, 2]}]})";
        QTest::newRow("metatiles") << metaTiles << 0
                                   << QStringList{metaLine.arg("Stage 3"), metaLine.arg("Stage 4A"), metaLine.arg("Stage 4B")}
                                   << "[" + metaJson.arg("3") + "," + metaJson.arg("4A") + "," + metaJson.arg("4B") + "]"
                                   << "[]" << "[]";
        QTest::newRow("a palette entry") << QList<qint64>{S("3").PalOffset + 5, 0x16, 0x17} << 0
                                         << QStringList{"Stage 3: 1 palette entry (entry 5: $16 → $17)"}
                                         << R"([{"stage": "3", "palette": [{"entry": 5, "a": 22, "b": 23}]}])" << "[]" << "[]";
        QTest::newRow("an unread byte") << QList<qint64>{0x100, 0, 1} << 0 << QStringList{"Other: 1 byte in 1 range (0x100)"}
                                        << "[]" << R"([{"offset": 256, "length": 1}])" << "[]";
        QTest::newRow("a longer image")
            << QList<qint64>{} << 4
            << QStringList{"Sizes: a.nes has {size} bytes, b.nes has {size+4} (4 more)",
                           "Other: 4 bytes in 1 range ({end}..{end+3})"}
            << "[]" << R"([{"offset": {size}, "length": 4}])" << "[]";
        // Stage 5's tiles, and the data of 6 and 7, reach past 0x1C000.
        QTest::newRow("a shorter image")
            << QList<qint64>{} << int(0x1C000 - Sample().size())
            << QStringList{"Sizes: a.nes has {size} bytes, b.nes has {bsize} ({fewer} fewer)",
                           "Not compared: stages 5, 6, 7, whose data lies past the end of b.nes ({bsize} bytes); the bytes "
                           "they read count as other",
                           "Other: {fewer} bytes in 1 range ({bend}..{end-1})"}
            << "[]" << R"([{"offset": {bsize}, "length": {fewer}}])" << R"(["5", "6", "7"])";
        QList<qint64> cells;
        QStringList shown;
        for (int column = 0; column < 9; ++column) {
            cells << s3Level + column << 0 << 1;
            shown << QStringLiteral("row 0, column %1: 00 → 01").arg(column);
        }
        QString cellsJson;
        for (int column = 0; column < 9; ++column)
            cellsJson += QStringLiteral(R"(%1{"frame": 0, "row": 0, "column": %2, "a": 0, "b": 1})").arg(column ? "," : "").arg(column);
        QTest::newRow("many cells") << cells << 0
                                    << QStringList{"Stage 3: 9 cells (frame 0: " + shown.mid(0, 8).join("; ") + "; … and 1 more)"}
                                    << R"([{"stage": "3", "cells": [)" + cellsJson + "]}]" << "[]" << "[]";
        QTest::newRow("identical") << QList<qint64>{} << 0 << QStringList{} << "[]" << "[]" << "[]";
    }

    void diff()
    {
        QFETCH(QList<qint64>, planted);
        QFETCH(int, tail);
        QFETCH(QStringList, lines);
        QFETCH(QString, stages);
        QFETCH(QString, other);
        QFETCH(QString, notCompared);
        QByteArray a = Sample(), b = a;
        for (qsizetype k = 0; k < planted.size(); k += 3) {
            a[planted[k]] = char(planted[k + 1]);
            b[planted[k]] = char(planted[k + 2]);
        }
        if (tail >= 0)
            b += QByteArray(tail, 'x');
        else
            b.chop(-tail);
        QTemporaryDir dir;
        QVERIFY(WriteFile(dir.filePath("a.nes"), a));
        QVERIFY(WriteFile(dir.filePath("b.nes"), b));
        auto sized = [&](QString text) {
            return text.replace("{size}", QString::number(a.size()))
                .replace("{bsize}", QString::number(b.size()))
                .replace("{fewer}", QString::number(a.size() - b.size()))
                .replace("{bend}", "0x" + QString::number(b.size(), 16).toUpper())
                .replace("{end-1}", "0x" + QString::number(a.size() - 1, 16).toUpper())
                .replace("{size+4}", QString::number(a.size() + 4))
                .replace("{end}", "0x" + QString::number(a.size(), 16).toUpper())
                .replace("{end+3}", "0x" + QString::number(a.size() + 3, 16).toUpper());
        };
        const bool identical = lines.isEmpty();

        const ProgramRun text = RunKrelin({"--diff", "a.nes", "b.nes"}, dir.path());
        QCOMPARE(text.status, identical ? 0 : 1);
        QCOMPARE(text.err, QString());
        QStringList expected;
        for (const QString &line : lines)
            expected << sized(line);
        QCOMPARE(QString::fromUtf8(text.out).split(u'\n', Qt::SkipEmptyParts), expected);

        const ProgramRun json = RunKrelin({"--json", "--diff", "a.nes", "b.nes"}, dir.path());
        QCOMPARE(json.status, identical ? 0 : 1);
        QCOMPARE(json.out.count('\n'), 1);
        // What the text says, the JSON says: the sizes and the stages not compared too.
        const QJsonObject want{{"a", "a.nes"},
                               {"b", "b.nes"},
                               {"identical", identical},
                               {"sizes", QJsonObject{{"a", a.size()}, {"b", b.size()}}},
                               {"stages", WithEmptyKinds(Json(stages).toArray())},
                               {"notCompared", Json(notCompared)},
                               {"other", Json(sized(other))}};
        QCOMPARE(QJsonDocument::fromJson(json.out).object(), want);
    }

    // Trouble is status 2 and one line, as diff(1) has it.
    void trouble_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("says");
        QTest::newRow("missing image") << QStringList{"--diff", "a.nes", "none.nes"} << "none.nes: the file does not exist";
        QTest::newRow("a folder") << QStringList{"--diff", ".", "a.nes"} << "it is a folder";
        QTest::newRow("one image") << QStringList{"--diff", "a.nes"} << "Usage: krelin --diff";
        QTest::newRow("unknown option") << QStringList{"--diff", "--jsn", "a.nes", "a.nes"} << "Usage: krelin --diff";
    }

    void trouble()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, says);
        QTemporaryDir dir;
        QVERIFY(WriteFile(dir.filePath("a.nes"), Sample()));
        const ProgramRun run = RunKrelin(arguments, dir.path());
        QCOMPARE(run.status, 2);
        QVERIFY2(run.err.startsWith("krelin: ") && run.err.contains(says), qPrintable(run.err));
        QCOMPARE(run.err.trimmed().count(u'\n'), 0);
        QVERIFY(run.out.isEmpty());
    }

    // A BPS patch keeps its description, author, the program and the stages it changes,
    // which --patch-info shows with its sizes and checksums; it still applies. An IPS patch
    // refuses a description and says it has none; a damaged patch is told as such.
    void describedPatches()
    {
        QTemporaryDir temp;
        const QDir dir(temp.path());
        const QByteArray a = Sample();
        QByteArray b = a;
        b[S("5").PalOffset + 1] = char(b[S("5").PalOffset + 1] ^ 1);
        QVERIFY(WriteFile(dir.filePath("a.nes"), a));
        QVERIFY(WriteFile(dir.filePath("b.nes"), b));

        ProgramRun run = RunKrelin({"--make-patch", "hack.bps", "a.nes", "b.nes", "--description", "Brighter\nstage 5",
                                    "--author=Ana"}, dir.path());
        QVERIFY2(run.status == 0, qPrintable(run.err));
        run = RunKrelin({"--patch-info", "hack.bps"}, dir.path());
        QCOMPARE(run.status, 0);
        const QStringList info = QString::fromUtf8(run.out).split(u'\n');
        QCOMPARE(info.first(), "Format: BPS");
        QVERIFY(info[1].endsWith("(holds)"));
        QCOMPARE(info[2], QStringLiteral("Source: %1 bytes, checksum ").arg(a.size()) + info[2].right(8));
        for (const char *line : {"  Description: Brighter stage 5", "  Author: Ana", "  Stages: 5"})
            QVERIFY2(info.contains(QLatin1String(line)), line);
        QVERIFY(RunKrelin({"--apply-patch", "hack.bps", "a.nes", "out.nes"}, dir.path()).status == 0);
        QFile out(dir.filePath("out.nes"));
        QVERIFY(out.open(QIODevice::ReadOnly) && out.readAll() == b);

        run = RunKrelin({"--make-patch", "hack.ips", "a.nes", "b.nes", "--author", "Ana"}, dir.path());
        QVERIFY(run.status != 0 && run.err.contains("IPS patch has no field") && !dir.exists("hack.ips"));
        QCOMPARE(RunKrelin({"--make-patch", "hack.ips", "a.nes", "b.nes"}, dir.path()).status, 0);
        run = RunKrelin({"--patch-info", "hack.ips"}, dir.path());
        QCOMPARE(run.status, 0);
        QVERIFY(run.out.contains("Format: IPS\n") && run.out.contains("Records: 1, writing 1 byte from")
                && run.out.contains("Metadata: none (IPS has no metadata field)"));

        QFile patch(dir.filePath("hack.bps"));
        QVERIFY(patch.open(QIODevice::ReadWrite) && patch.seek(12) && patch.write("X") == 1);
        patch.close();
        run = RunKrelin({"--patch-info", "hack.bps"}, dir.path());
        QVERIFY(run.status == 1 && run.out.contains("does not hold") && run.err.contains("damaged"));
        run = RunKrelin({"--patch-info", "a.nes"}, dir.path());
        QVERIFY(run.status == 1 && run.err.contains("not an IPS or BPS patch"));
    }

    // Another program's metadata of 30 MiB: its first lines and its size are shown, a
    // character that turns the text around is shown escaped, as in a name.
    void patchInfoOfLongMetadata()
    {
        QTemporaryDir temp;
        const QDir dir(temp.path());
        const QByteArray a = Sample();
        QByteArray b = a;
        b[0x20] = char(b[0x20] ^ 1);
        QByteArray metadata = "Description: readme\u202Etxt.exe\n";
        while (metadata.size() < (30 << 20))
            metadata += "Another line of another program's notes, and another, and another.\n";
        const PatchResult patch = MakePatch(PatchFormat::Bps, BytesOf(a), BytesOf(b), BytesOf(metadata));
        QVERIFY(patch.ok());
        QVERIFY(WriteFile(dir.filePath("big.bps"), QByteArray(reinterpret_cast<const char *>(patch.bytes.data()),
                                                                qsizetype(patch.bytes.size()))));
        const ProgramRun run = RunKrelin({"--patch-info", "big.bps"}, dir.path());
        QVERIFY2(run.status == 0 && run.err.isEmpty(), qPrintable(run.err));
        const QStringList lines = QString::fromUtf8(run.out).trimmed().split(u'\n');
        QVERIFY2(lines.size() < 30, qPrintable(lines.mid(0, 40).join(u'\n')));
        QVERIFY(lines.contains(QStringLiteral("Metadata: %1 bytes").arg(metadata.size())));
        QVERIFY(lines.contains(QStringLiteral("  Description: readme\\x202etxt.exe")));
        QVERIFY(!run.out.contains("\u202E"));
        QCOMPARE(lines.last(), QStringLiteral("  \u2026 (%1 bytes in all; the rest is not shown)").arg(metadata.size()));
    }
};

QTEST_GUILESS_MAIN(TestDiffCommand)
#include "test_diff_command.moc"
