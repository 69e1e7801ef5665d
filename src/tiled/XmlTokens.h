#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QSet>
#include <QString>

#include <vector>

namespace krelin {

// A strict pull reader of XML 1.0 in UTF-8, as map files are written: elements,
// attributes, character data (entity and character references resolved, CDATA
// sections), comments and processing instructions (skipped). A document type
// declaration is refused, and with it every entity of the document's own; so are bytes
// that are not UTF-8 (checked by Qt's decoder), the characters XML does not allow
// (U+FFFE, U+FFFF, control characters), an XML declaration of another version or of a
// standalone other than yes or no, and elements nested more than MaxDepth deep. The
// first fault ends the reading with an error naming its line and column. Its time grows
// with the document's length, whatever the document holds: an element's attributes are
// told apart by a hash once there are many.
//
// It reads a stage's map several times as fast as QXmlStreamReader, which spends more
// time on a map's elements and the text of its cells than the rest of an import takes in
// all. Its calls are QXmlStreamReader's, so that a reader written for one reads with the
// other.
class XmlTokens
{
public:
    enum Token { NoToken, StartElement, EndElement, Characters, EndDocument, Invalid };

    // The document must outlive the reader: names and values point into it.
    explicit XmlTokens(QByteArrayView document);

    // How deep elements may lie in one another.
    static constexpr int MaxDepth = 1024;

    // The next token: an element's start (an empty element gives a start and an end), its
    // end, a run of character data, the end of the document, or Invalid at the first
    // fault (and from then on).
    Token readNext();
    Token tokenType() const { return token; }
    bool atEnd() const { return token == EndDocument || token == Invalid; }
    bool hasError() const { return token == Invalid; }
    QString errorString() const { return error; }
    qint64 lineNumber() const;
    qint64 columnNumber() const;

    // The element's name, at its start and end.
    QByteArrayView name() const { return elementName; }
    // The value of the current start element's attribute, references resolved; a null
    // QByteArray when it has none of that name.
    QByteArray attribute(QByteArrayView attributeName) const;
    bool hasAttribute(QByteArrayView attributeName) const;
    // The current start element's attributes, in the order written.
    qsizetype attributeCount() const { return qsizetype(attributes.size()); }
    QByteArrayView attributeName(qsizetype i) const { return attributes[std::size_t(i)].name; }
    // The character data of the last Characters token, references resolved: a view into
    // the document where nothing needed resolving, good until the next token.
    QByteArrayView text() const { return charactersView; }

    // Reads on to the next start element inside the current one: true there, false at the
    // current element's end (or the document's end, or a fault).
    bool readNextStartElement();
    // Reads on to the end of the current element, skipping what it holds.
    void skipCurrentElement();
    // The character data up to the end of the current element, that of the elements
    // inside it included.
    QByteArray readElementText();

private:
    struct Attribute
    {
        QByteArrayView name;
        QByteArrayView raw; // as written, references unresolved
    };

    Token fail(const QString &what);
    Token readMarkup();
    Token readStartTag();
    Token readEndTag();
    Token readCharacters();
    bool skipComment();
    bool skipProcessingInstruction();
    bool readCData();
    bool readName(QByteArrayView &out);
    static QString resolveInto(QByteArrayView raw, QByteArray &out, bool attributeValue);
    // The same, a bad reference a fault.
    bool resolve(QByteArrayView raw, QByteArray &out, bool attributeValue);
    // The XML declaration whose pseudo-attributes lie in [start, end) of the document.
    bool checkDeclaration(qsizetype start, qsizetype end);
    // Refuses the document at its first byte that is not UTF-8 or first character XML
    // does not allow; true when there is none.
    bool checkCharacters();
    bool duplicateAttribute(QByteArrayView name);
    void skipSpace();
    bool startsWith(const char *literal) const;

    QByteArrayView doc;
    qsizetype pos = 0;
    qsizetype faultAt = 0;
    Token token = NoToken;
    QString error;
    QByteArrayView elementName;
    std::vector<Attribute> attributes;
    QSet<QByteArrayView> attributeNames; // the current tag's, once it has many
    QByteArray characters;         // the data resolved, where it needed to be
    QByteArrayView charactersView; // what text() gives
    std::vector<QByteArrayView> open; // the elements started and not ended
    bool pendingEnd = false;          // an empty element's end comes next
    bool rootSeen = false;
    bool charactersChecked = false;
};

} // namespace krelin
