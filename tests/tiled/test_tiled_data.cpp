// What a map file's text is read with: the XML reader, read side by side with
// QXmlStreamReader, its faults named where they lie, hostile documents read in time that
// grows with their length; a layer's CSV; its base64 data packed with zlib, gzip or zstd,
// whose unpacking stops at the layer's size whatever the stream says; and the tileset
// picture's PNG, read back.
#include "MapText.h"
#include "tiled/IndexedPng.h"
#include "tiled/TileLayerData.h"
#include "tiled/XmlTokens.h"

#include <QImage>

#include <QTest>
#include <QXmlStreamReader>

using namespace krelin;
using namespace krelin::testing;

namespace {

// What a reader makes of an XML document, token by token ("<name a=v>", "</name>", the
// text of each run of character data inside the root element), or "error".
QStringList qtTokens(const QByteArray &document)
{
    QStringList tokens;
    QXmlStreamReader xml(document);
    int depth = 0;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement: {
            QString tag = u'<' + xml.name().toString();
            for (const QXmlStreamAttribute &a : xml.attributes())
                tag += u' ' + a.name().toString() + u'=' + a.value().toString();
            tokens << tag + u'>';
            ++depth;
            break;
        }
        case QXmlStreamReader::EndElement:
            tokens << QStringLiteral("</") + xml.name().toString() + u'>';
            --depth;
            break;
        case QXmlStreamReader::Characters:
            if (depth > 0 && !tokens.isEmpty() && tokens.last().startsWith(u'"'))
                tokens.last().insert(tokens.last().size() - 1, xml.text().toString());
            else if (depth > 0)
                tokens << u'"' + xml.text().toString() + u'"';
            break;
        case QXmlStreamReader::DTD: return {QStringLiteral("document type")};
        default: break;
        }
    }
    return xml.hasError() ? QStringList{QStringLiteral("error")} : tokens;
}

QStringList ourTokens(const QByteArray &document, QString *error = nullptr)
{
    QStringList tokens;
    XmlTokens xml(document);
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case XmlTokens::StartElement: {
            QString tag = u'<' + QString::fromUtf8(xml.name());
            for (qsizetype i = 0; i < xml.attributeCount(); ++i)
                tag += u' ' + QString::fromUtf8(xml.attributeName(i)) + u'=' + QString::fromUtf8(xml.attribute(xml.attributeName(i)));
            tokens << tag + u'>';
            break;
        }
        case XmlTokens::EndElement: tokens << QStringLiteral("</") + QString::fromUtf8(xml.name()) + u'>'; break;
        case XmlTokens::Characters:
            if (!tokens.isEmpty() && tokens.last().startsWith(u'"'))
                tokens.last().insert(tokens.last().size() - 1, QString::fromUtf8(xml.text()));
            else
                tokens << u'"' + QString::fromUtf8(xml.text()) + u'"';
            break;
        default: break;
        }
    }
    if (error)
        *error = xml.errorString();
    return xml.hasError() ? QStringList{QStringLiteral("error")} : tokens;
}

} // namespace

class TestTiledData : public QObject
{
    Q_OBJECT

private slots:
    // Unpacking stops at the layer's size whatever the stream says, and a damaged,
    // truncated or overlong stream is refused.
    void packedData_data()
    {
        QTest::addColumn<QString>("compression");
        QTest::addColumn<QByteArray>("data"); // base64 text
        QTest::addColumn<QString>("says");
        const QByteArray four = IdBytes({1, 2, 3, 4});
        for (const char *c : {"zlib", "gzip", "zstd"}) {
            const QString name = QString::fromLatin1(c);
            const QByteArray good = Packed(four, name);
            QTest::addRow("%s", c) << name << good.toBase64() << "";
            QTest::addRow("%s truncated", c) << name << good.left(good.size() - 3).toBase64() << "truncated";
            QTest::addRow("%s too much", c) << name << Packed(IdBytes(std::vector<std::uint32_t>(100000, 7)), name).toBase64()
                                          << "more than the layer's 4 cells";
            QTest::addRow("%s too little", c) << name << Packed(IdBytes({1, 2, 3}), name).toBase64() << "holds 12 bytes, not the 16";
            QTest::addRow("%s trailing", c) << name << (good + good).toBase64()
                                           << (name == QLatin1String("zstd") ? "more than the layer's" : "bytes follow the end");
            QByteArray bad = good;
            bad[bad.size() / 2] = char(bad[bad.size() / 2] ^ 0x5A);
            bad[2] = char(0xFF);
            QTest::addRow("%s damaged", c) << name << bad.toBase64() << "damaged";
        }
        QTest::newRow("plain") << "" << four.toBase64() << "";
        QTest::newRow("plain short") << "" << four.left(15).toBase64() << "holds 15 bytes, not the 16 of 4 cells";
        QTest::newRow("not base64") << "" << QByteArray("AQAAAA*AAAADAAAABAAAAA==") << "a character that base64 does not use";
        QTest::newRow("lzma") << "lzma" << four.toBase64() << "\"lzma\", which is not zlib, gzip or zstd";
    }
    void packedData()
    {
        QFETCH(QString, compression);
        QFETCH(QByteArray, data);
        QFETCH(QString, says);
        const DecodedCells cells = DecodeBase64Cells("\n   " + data + "\n  ", compression, 4);
        if (says.isEmpty()) {
            QVERIFY2(cells.ok(), qPrintable(cells.error));
            QCOMPARE(cells.ids, std::vector<std::uint32_t>({1, 2, 3, 4}));
        } else {
            QVERIFY2(cells.error.contains(says), qPrintable(cells.error));
        }
    }

    void csvData_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("says");
        QTest::newRow("rows") << QByteArray("\n1,2,\n3,4\n") << "";
        QTest::newRow("spaces") << QByteArray(" 1 , 2,3 ,4 ") << "";
        QTest::newRow("flags") << QByteArray("4294967295,2,3,4") << "";
        QTest::newRow("too few") << QByteArray("1,2,3") << "holds 3 cells, not 4 cells";
        QTest::newRow("too many") << QByteArray("1,2,3,4,5") << "holds 5 cells, not 4 cells";
        QTest::newRow("letter") << QByteArray("1,2,x,4") << "holds \"x\" where cell 2 should be a number";
        QTest::newRow("negative") << QByteArray("1,-2,3,4") << "holds \"-2\" where cell 1";
        QTest::newRow("no comma") << QByteArray("1,2 3,4") << "\"3\" after cell 1 where a comma should be";
        QTest::newRow("too large") << QByteArray("1,4294967296,3,4") << "cell 1 of the layer's CSV data is too large";
    }
    void csvData()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, says);
        const DecodedCells cells = DecodeCsvCells(text, 4);
        if (says.isEmpty())
            QVERIFY2(cells.ok() && cells.ids.size() == 4 && cells.ids[1] == 2, qPrintable(cells.error));
        else
            QVERIFY2(cells.error.contains(says), qPrintable(cells.error));
    }

    // The map's XML is read as QXmlStreamReader reads it: the same elements, attributes
    // and text, and a fault wherever it finds one.
    void xmlAsQtReadsIt_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::newRow("references") << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<m a=\"1\" b='2'>\n <x "
                                                  "y=\"&lt;&amp;&gt;&quot;&apos;&#65;&#x42;&#xe9;&#128512;\"/>\n</m>\n");
        QTest::newRow("comments, instructions, CDATA")
            << QByteArray("<!-- c --><?pi some data?>\n<m><!--x--><![CDATA[<raw>&amp;]]>text&#10;more<?p?></m><!--e-->");
        QTest::newRow("line ends") << QByteArray("<m a=\"x\ty\r\nz&#10;w\">l1\r\nl2\rl3\n</m>");
        QTest::newRow("UTF-8") << QByteArray("\xEF\xBB\xBF<m n=\"\xC3\xA9\"><\xC3\xBC>\xC3\x9F</\xC3\xBC></m>");
        QTest::newRow("nested, empty") << QByteArray("<m><x/><y a = \"1\" ></y><m/></m>");
        QTest::newRow("mismatched") << QByteArray("<a><b></a></b>");
        QTest::newRow("unclosed") << QByteArray("<a><b>text");
        QTest::newRow("undefined entity") << QByteArray("<a>&foo;</a>");
        QTest::newRow("bare ampersand") << QByteArray("<a>fish & chips</a>");
        QTest::newRow("two roots") << QByteArray("<a/><b/>");
        QTest::newRow("text outside") << QByteArray("x<a/>");
        QTest::newRow("text after") << QByteArray("<a/>x");
        QTest::newRow("unquoted") << QByteArray("<a b=1/>");
        QTest::newRow("duplicate attribute") << QByteArray("<a b=\"1\" b=\"2\"/>");
        QTest::newRow("< in a value") << QByteArray("<a b=\"<\"/>");
        QTest::newRow("no space between") << QByteArray("<a b=\"1\"c=\"2\"/>");
        QTest::newRow("]]> in text") << QByteArray("<a>x]]>y</a>");
        QTest::newRow("control character") << QByteArray("<a>x\x01y</a>");
        QTest::newRow("character 0") << QByteArray("<a>&#0;</a>");
        QTest::newRow("surrogate") << QByteArray("<a>&#xD800;</a>");
        QTest::newRow("empty") << QByteArray("");
        QTest::newRow("only a comment") << QByteArray("<!-- -->");
        QTest::newRow("late declaration") << QByteArray(" <?xml version=\"1.0\"?><a/>");
        QTest::newRow("unclosed comment") << QByteArray("<a><!-- x </a>");
        QTest::newRow("unclosed CDATA") << QByteArray("<a><![CDATA[ x </a>");
        QTest::newRow("end tag alone") << QByteArray("</a>");
        QTest::newRow("digit name") << QByteArray("<1a/>");
        // Bytes that are not UTF-8, characters XML leaves out, declarations it does not know.
        QTest::newRow("FF FE in the text") << QByteArray("<a>x\xFF\xFEy</a>");
        QTest::newRow("overlong C0 AF") << QByteArray("<a b=\"\xC0\xAF\"/>");
        QTest::newRow("encoded surrogate") << QByteArray("<a>\xED\xA0\x80</a>");
        QTest::newRow("cut short") << QByteArray("<a>\xC3</a>");
        QTest::newRow("not UTF-8 in a comment") << QByteArray("<a><!-- \xFF --></a>");
        QTest::newRow("not UTF-8 in a name") << QByteArray("<a\xE9/>");
        QTest::newRow("U+FFFE") << QByteArray("<a>\xEF\xBF\xBE</a>");
        QTest::newRow("U+FFFF in a value") << QByteArray("<a b=\"\xEF\xBF\xBF\"/>");
        QTest::newRow("U+FDD0, a character XML allows") << QByteArray("<a>\xEF\xB7\x90\xC2\x85</a>");
        QTest::newRow("standalone maybe") << QByteArray("<?xml version=\"1.0\" standalone=\"maybe\"?><a/>");
        QTest::newRow("standalone yes") << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><a/>");
        QTest::newRow("XML 1.1") << QByteArray("<?xml version=\"1.1\"?><a/>");
        QTest::newRow("no version") << QByteArray("<?xml encoding=\"UTF-8\"?><a/>");
    }
    void xmlAsQtReadsIt()
    {
        QFETCH(QByteArray, document);
        QString error;
        const QStringList ours = ourTokens(document, &error);
        QCOMPARE(ours, qtTokens(document));
        QVERIFY(ours != QStringList{QStringLiteral("error")} || !error.isEmpty());
    }

    // A document type is refused, and with it any entity it would define.
    void documentTypeRefused()
    {
        XmlTokens xml("<!DOCTYPE m [<!ENTITY x \"y\">]>\n<m>&x;</m>");
        while (!xml.atEnd())
            xml.readNext();
        QVERIFY(xml.hasError());
        QVERIFY2(xml.errorString().contains(QLatin1String("document type")), qPrintable(xml.errorString()));
        QCOMPARE(xml.lineNumber(), 1);
        XmlTokens later("<a>\n <b>\n  </c>");
        while (!later.atEnd())
            later.readNext();
        QCOMPARE(later.lineNumber(), 3);
        QCOMPARE(later.columnNumber(), 6);
    }

    // A fault is named where it lies: its line, and its column in characters, counted here
    // from the document's text; the reader stops there, before anything after it.
    void faultsNamedWhereTheyLie_data()
    {
        QTest::addColumn<QByteArray>("fault"); // placed on the third line, after "  <b c=\"é"
        QTest::addColumn<QString>("says");
        QTest::newRow("FF FE") << QByteArray("\xFF\xFE") << "bytes that are not UTF-8 (FF)";
        QTest::newRow("overlong") << QByteArray("\xC0\xAF") << "bytes that are not UTF-8 (C0 AF)";
        QTest::newRow("encoded surrogate") << QByteArray("\xED\xA0\x80") << "bytes that are not UTF-8 (ED A0 80)";
        QTest::newRow("U+FFFE") << QByteArray("\xEF\xBF\xBE") << "the character U+FFFE, which XML does not allow";
        QTest::newRow("U+FFFF") << QByteArray("\xEF\xBF\xBF") << "the character U+FFFF";
    }
    void faultsNamedWhereTheyLie()
    {
        QFETCH(QByteArray, fault);
        QFETCH(QString, says);
        const QByteArray before = "<?xml version=\"1.0\"?>\n<a>\n  <b c=\"\xC3\xA9";
        const QByteArray document = before + fault + "\"/>\n</a>\n"; // the reader's views point into it
        XmlTokens xml(document);
        QCOMPARE(xml.readNext(), XmlTokens::Invalid);
        QVERIFY2(xml.errorString().contains(says), qPrintable(xml.errorString()));
        QCOMPARE(xml.lineNumber(), 3);
        QCOMPARE(xml.columnNumber(), QString::fromUtf8(before.mid(before.lastIndexOf('\n') + 1)).size() + 1);

        // standalone="maybe" is named where its value stands.
        XmlTokens declared("<?xml version=\"1.0\"\n      standalone=\"maybe\"?>\n<a/>");
        QCOMPARE(declared.readNext(), XmlTokens::Invalid);
        QVERIFY2(declared.errorString().contains(QLatin1String("standalone=\"maybe\"")), qPrintable(declared.errorString()));
        QCOMPARE(declared.lineNumber(), 2);
        QCOMPARE(declared.columnNumber(), 1 + qsizetype(std::strlen("      standalone=")));
    }

    // Hostile documents within the size a map may have cost time in proportion to their
    // length: a tag of 400,000 attributes (before, each was compared with every one before
    // it: hours) is read, and a duplicate among them found; elements nested past MaxDepth
    // are refused rather than remembered one by one.
    void hostileDocuments()
    {
        constexpr int Many = 400000;
        QByteArray tag = "<a";
        for (int i = 0; i < Many; ++i)
            tag += " a" + QByteArray::number(i) + "=\"1\"";
        const QByteArray all = tag + "/>", withTwin = tag + " a123456=\"2\"/>";
        XmlTokens many(all);
        QCOMPARE(many.readNext(), XmlTokens::StartElement);
        QCOMPARE(many.attributeCount(), Many);
        QCOMPARE(many.attribute("a399999"), QByteArray("1"));
        XmlTokens twice(withTwin);
        QCOMPARE(twice.readNext(), XmlTokens::Invalid);
        QCOMPARE(twice.errorString(), QStringLiteral("the tag <a> has two attributes a123456"));

        const auto nested = [](int depth) { return QByteArray("<a>").repeated(depth) + QByteArray("</a>").repeated(depth); };
        const QByteArray deepestText = nested(XmlTokens::MaxDepth), deeperText = nested(XmlTokens::MaxDepth + 1);
        XmlTokens deepest(deepestText);
        while (!deepest.atEnd())
            deepest.readNext();
        QVERIFY2(!deepest.hasError(), qPrintable(deepest.errorString()));
        XmlTokens deeper(deeperText);
        while (!deeper.atEnd())
            deeper.readNext();
        QVERIFY(deeper.hasError());
        QCOMPARE(deeper.errorString(), QStringLiteral("elements lie more than %1 deep").arg(XmlTokens::MaxDepth));
    }

    // A layer of no cells (a map of width 0) decodes to no cells in every packing, and
    // copies nothing from nowhere.
    void noCells_data()
    {
        QTest::addColumn<QString>("compression");
        for (const char *c : {"", "zlib", "gzip", "zstd"})
            QTest::newRow(*c ? c : "plain") << QString::fromLatin1(c);
    }
    void noCells()
    {
        QFETCH(QString, compression);
        const DecodedCells cells = DecodeBase64Cells(Packed(QByteArray(), compression).toBase64(), compression, 0);
        QVERIFY2(cells.ok(), qPrintable(cells.error));
        QVERIFY(cells.ids.empty());
        QVERIFY(DecodeCsvCells("", 0).ok());
    }

    // The tileset picture's PNG reads back as the picture, in 4 and in 8 bits, with its
    // colours' alpha; a picture with a pixel past its colour table makes no file at all.
    void indexedPng_data()
    {
        QTest::addColumn<int>("colors");
        QTest::addColumn<int>("alpha"); // of colour 1
        QTest::newRow("4 bits, opaque") << 16 << 255;
        QTest::newRow("4 bits, see-through") << 5 << 0;
        QTest::newRow("8 bits, half") << 200 << 128;
    }
    void indexedPng()
    {
        QFETCH(int, colors);
        QFETCH(int, alpha);
        QImage picture(37, 5, QImage::Format_Indexed8);
        QList<QRgb> table;
        for (int i = 0; i < colors; ++i)
            table << qRgba(i * 7 % 256, 255 - i, i * 3 % 256, i == 1 ? alpha : 255);
        picture.setColorTable(table);
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                picture.scanLine(y)[x] = uchar((x * 5 + y) % colors);
        QImage back;
        QVERIFY(back.loadFromData(EncodeIndexedPng(picture), "PNG"));
        QCOMPARE(back.size(), picture.size());
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                QCOMPARE(back.pixel(x, y), picture.pixel(x, y));

        picture.scanLine(3)[36] = uchar(colors);
        QCOMPARE(EncodeIndexedPng(picture), QByteArray());
    }

};

QTEST_GUILESS_MAIN(TestTiledData)
#include "test_tiled_data.moc"
