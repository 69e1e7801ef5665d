// What a map file's text is read with: the XML reader, read side by side with
// QXmlStreamReader; a layer's CSV; its base64 data packed with zlib, gzip or zstd, whose
// unpacking stops at the layer's size whatever the stream says.
#include "MapText.h"
#include "tiled/TileLayerData.h"
#include "tiled/XmlTokens.h"

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

};

QTEST_GUILESS_MAIN(TestTiledData)
#include "test_tiled_data.moc"
