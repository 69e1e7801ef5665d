#include "XmlTokens.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstring>

#include <QStringDecoder>
#include <QtEndian>

namespace krelin {

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\n' || c == '\r' || c == '\t';
}

bool isNameStart(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || c >= 0x80;
}

bool isNameChar(unsigned char c)
{
    return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

// A character XML 1.0 allows.
bool isXmlChar(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
        || (c >= 0x10000 && c <= 0x10FFFF);
}

void appendUtf8(QByteArray &out, char32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// Whether any of eight bytes is a control character, '&', '<' or '>': a borrow marks
// the first such byte, whatever the others hold.
bool mayBeSpecial(std::uint64_t x)
{
    constexpr std::uint64_t ones = 0x0101010101010101u, highs = 0x8080808080808080u;
    const auto below = [&](std::uint64_t v, unsigned n) { return (v - ones * n) & ~v & highs; };
    const auto equal = [&](std::uint64_t v, unsigned char b) { return below(v ^ (ones * b), 1); };
    return (below(x, 0x20) | equal(x, '&') | equal(x, '<') | equal(x, '>')) != 0;
}

QString shown(QByteArrayView bytes)
{
    return QString::fromUtf8(bytes.first(std::min<qsizetype>(bytes.size(), 40)));
}

// The first byte from 0x80 up in [p, end), or end: eight bytes at a time through ASCII.
const char *firstHighByte(const char *p, const char *end)
{
    while (end - p >= 8 && (qFromUnaligned<std::uint64_t>(p) & 0x8080808080808080u) == 0)
        p += 8;
    while (p < end && uchar(*p) < 0x80)
        ++p;
    return p;
}

// Whether bytes decode as UTF-8 as Qt's decoder has it: overlong forms, encoded surrogates
// and bytes that begin or continue no character are faults.
bool IsUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    return !decoder.hasError();
}

} // namespace

XmlTokens::XmlTokens(QByteArrayView document)
    : doc(document)
{
    if (doc.startsWith("\xEF\xBB\xBF"))
        pos = 3;
}

XmlTokens::Token XmlTokens::fail(const QString &what)
{
    if (token != Invalid) {
        error = what;
        faultAt = pos;
        token = Invalid;
    }
    return Invalid;
}

bool XmlTokens::startsWith(const char *literal) const
{
    return doc.sliced(pos).startsWith(QByteArrayView(literal));
}

void XmlTokens::skipSpace()
{
    while (pos < doc.size() && isSpace(doc[pos]))
        ++pos;
}

bool XmlTokens::readName(QByteArrayView &out)
{
    const qsizetype start = pos;
    if (pos >= doc.size() || !isNameStart(uchar(doc[pos]))) {
        fail(QStringLiteral("a name was expected"));
        return false;
    }
    while (pos < doc.size() && isNameChar(uchar(doc[pos])))
        ++pos;
    out = doc.sliced(start, pos - start);
    return true;
}

// Appends raw to out with its references resolved and its line ends made "\n"; in an
// attribute's value (attributeValue) every white space character becomes a space, as
// XML has it. Returns why a reference is wrong, or an empty string.
QString XmlTokens::resolveInto(QByteArrayView raw, QByteArray &out, bool attributeValue)
{
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '\r' || ((c == '\n' || c == '\t') && attributeValue)) {
            out += attributeValue ? ' ' : '\n';
            if (c == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n')
                ++i;
            continue;
        }
        if (c != '&') {
            out += c;
            continue;
        }
        const qsizetype end = raw.indexOf(';', i);
        if (end < 0 || end - i > 12)
            return QStringLiteral("an entity reference is not closed by ';'");
        const QByteArrayView entity = raw.sliced(i + 1, end - i - 1);
        i = end;
        if (entity == "lt")
            out += '<';
        else if (entity == "gt")
            out += '>';
        else if (entity == "amp")
            out += '&';
        else if (entity == "quot")
            out += '"';
        else if (entity == "apos")
            out += '\'';
        else if (entity.startsWith('#') && entity.size() > 1) {
            const bool hex = entity[1] == 'x';
            const QByteArrayView digits = entity.sliced(hex ? 2 : 1);
            bool ok = !digits.isEmpty();
            for (const char d : digits)
                ok = ok && (hex ? std::isxdigit(uchar(d)) : std::isdigit(uchar(d)));
            const qulonglong value = ok ? QByteArray(digits.data(), digits.size()).toULongLong(&ok, hex ? 16 : 10) : 0;
            if (!ok || value > 0x10FFFF || !isXmlChar(char32_t(value)))
                return QStringLiteral("&%1; is not a character XML allows").arg(shown(entity));
            appendUtf8(out, char32_t(value));
        } else {
            return QStringLiteral("the entity &%1; is not defined").arg(shown(entity));
        }
    }
    return {};
}

bool XmlTokens::resolve(QByteArrayView raw, QByteArray &out, bool attributeValue)
{
    const QString wrong = resolveInto(raw, out, attributeValue);
    if (!wrong.isEmpty())
        fail(wrong);
    return wrong.isEmpty();
}

namespace {

// The value of the declaration's pseudo-attribute name ("1.0" of version="1.0"), and
// where in body it starts; null when it has none.
QByteArray declared(QByteArrayView body, QByteArrayView name, qsizetype *at = nullptr)
{
    qsizetype from = 0;
    while ((from = body.indexOf(name, from)) >= 0) {
        qsizetype q = from + name.size();
        // A whole word: "encoding", not the end of "xencoding".
        const bool word = from == 0 || isSpace(body[from - 1]);
        while (q < body.size() && isSpace(body[q]))
            ++q;
        if (word && q < body.size() && body[q] == '=') {
            ++q;
            while (q < body.size() && isSpace(body[q]))
                ++q;
            if (at)
                *at = q;
            if (q >= body.size() || (body[q] != '"' && body[q] != '\''))
                return QByteArray("");
            const qsizetype end = body.indexOf(body[q], q + 1);
            return body.sliced(q + 1, (end < 0 ? body.size() : end) - q - 1).toByteArray();
        }
        from += name.size();
    }
    return {};
}

} // namespace

bool XmlTokens::checkDeclaration(qsizetype start, qsizetype end)
{
    const QByteArrayView body = doc.sliced(start, end - start);
    qsizetype at = 0;
    const QByteArray version = declared(body, "version", &at);
    if (version != "1.0") {
        pos = version.isNull() ? start : start + at;
        fail(version.isNull() ? QStringLiteral("the XML declaration gives no version")
                              : QStringLiteral("the document is XML %1; a map is XML 1.0").arg(shown(version)));
        return false;
    }
    const QByteArray standalone = declared(body, "standalone", &at);
    if (!standalone.isNull() && standalone != "yes" && standalone != "no") {
        pos = start + at;
        fail(QStringLiteral("the XML declaration says standalone=\"%1\", which is neither yes nor no").arg(shown(standalone)));
        return false;
    }
    const QByteArray encoding = declared(body, "encoding", &at).toUpper();
    if (encoding.isNull() || encoding == "UTF-8" || encoding == "US-ASCII" || encoding == "ASCII")
        return true;
    pos = start + at;
    fail(QStringLiteral("the file says it is encoded in %1; a map is read as UTF-8").arg(QString::fromLatin1(encoding)));
    return false;
}

bool XmlTokens::checkCharacters()
{
    charactersChecked = true;
    // Runs of bytes from 0x80 up lie between ASCII bytes, which always end a character;
    // each run is decoded on its own, and most maps have none.
    const char *const begin = doc.data(), *const end = begin + doc.size();
    const char *p = begin;
    while (p < end) {
        p = firstHighByte(p, end);
        if (p == end)
            break;
        const char *const runEnd = std::find_if(p, end, [](char c) { return uchar(c) < 0x80; });
        const QByteArrayView run(p, runEnd - p);
        if (!IsUtf8(run)) {
            // The first character that does not decode: one lead byte and the continuation
            // bytes after it at a time.
            qsizetype at = 0, next = 0;
            for (; at < run.size(); at = next) {
                next = at + 1;
                while (next < run.size() && (uchar(run[next]) & 0xC0) == 0x80)
                    ++next;
                if (!IsUtf8(run.sliced(at, next - at)))
                    break;
            }
            at = std::min(at, run.size() - 1);
            pos = p - begin + at;
            const QByteArray shownBytes = run.sliced(at, std::min<qsizetype>(next - at, 4)).toByteArray();
            fail(QStringLiteral("bytes that are not UTF-8 (%1)").arg(QString::fromLatin1(shownBytes.toHex(' ').toUpper())));
            return false;
        }
        // U+FFFE and U+FFFF, the two characters of three bytes that XML leaves out.
        for (const char *c = p; c + 2 < runEnd; ++c)
            if (uchar(c[0]) == 0xEF && uchar(c[1]) == 0xBF && (uchar(c[2]) == 0xBE || uchar(c[2]) == 0xBF)) {
                pos = c - begin;
                fail(QStringLiteral("the character U+%1, which XML does not allow").arg(uchar(c[2]) == 0xBE ? "FFFE" : "FFFF"));
                return false;
            }
        p = runEnd;
    }
    return true;
}

bool XmlTokens::skipProcessingInstruction()
{
    const bool first = pos == (doc.startsWith("\xEF\xBB\xBF") ? 3 : 0);
    pos += 2;
    QByteArrayView target;
    if (!readName(target))
        return false;
    const qsizetype end = doc.indexOf("?>", pos);
    if (end < 0) {
        fail(QStringLiteral("a processing instruction <?%1 is not closed").arg(shown(target)));
        return false;
    }
    const qsizetype bodyStart = pos;
    pos = end + 2;
    if (target.compare("xml", Qt::CaseInsensitive) != 0)
        return true;
    if (!first || target != "xml") {
        fail(QStringLiteral("an XML declaration that does not come first"));
        return false;
    }
    return checkDeclaration(bodyStart, end);
}

bool XmlTokens::skipComment()
{
    const qsizetype end = doc.indexOf("--", pos + 4);
    if (end < 0 || end + 2 >= doc.size() || doc[end + 2] != '>') {
        fail(end < 0 ? QStringLiteral("a comment is not closed") : QStringLiteral("\"--\" inside a comment"));
        return false;
    }
    pos = end + 3;
    return true;
}

bool XmlTokens::readCData()
{
    const qsizetype start = pos + 9, end = doc.indexOf("]]>", start);
    if (end < 0) {
        fail(QStringLiteral("a CDATA section is not closed"));
        return false;
    }
    characters.clear();
    for (const char c : doc.sliced(start, end - start))
        if (uchar(c) < 0x20 && !isSpace(c)) {
            fail(QStringLiteral("a control character in the text"));
            return false;
        }
    for (qsizetype i = start; i < end; ++i) {
        if (doc[i] == '\r') {
            characters += '\n';
            if (i + 1 < end && doc[i + 1] == '\n')
                ++i;
        } else {
            characters += doc[i];
        }
    }
    pos = end + 3;
    charactersView = characters;
    return true;
}

XmlTokens::Token XmlTokens::readStartTag()
{
    if (rootSeen && open.empty())
        return fail(QStringLiteral("an element after the end of the root element"));
    ++pos;
    if (!readName(elementName))
        return Invalid;
    attributes.clear();
    attributeNames.clear();
    while (true) {
        const qsizetype before = pos;
        skipSpace();
        if (pos >= doc.size())
            return fail(QStringLiteral("the document ends inside the tag <%1>").arg(shown(elementName)));
        if (doc[pos] == '>' || startsWith("/>")) {
            pendingEnd = doc[pos] == '/';
            pos += pendingEnd ? 2 : 1;
            if (open.size() >= std::size_t(MaxDepth))
                return fail(QStringLiteral("elements lie more than %1 deep").arg(MaxDepth));
            open.push_back(elementName);
            rootSeen = true;
            return token = StartElement;
        }
        if (pos == before)
            return fail(QStringLiteral("the tag <%1> holds something that is no attribute").arg(shown(elementName)));
        Attribute a;
        if (!readName(a.name))
            return Invalid;
        skipSpace();
        if (pos >= doc.size() || doc[pos] != '=')
            return fail(QStringLiteral("the attribute %1 has no value").arg(shown(a.name)));
        ++pos;
        skipSpace();
        if (pos >= doc.size() || (doc[pos] != '"' && doc[pos] != '\''))
            return fail(QStringLiteral("the value of the attribute %1 is not quoted").arg(shown(a.name)));
        const qsizetype end = doc.indexOf(doc[pos], pos + 1);
        if (end < 0)
            return fail(QStringLiteral("the value of the attribute %1 is not closed").arg(shown(a.name)));
        a.raw = doc.sliced(pos + 1, end - pos - 1);
        for (const char c : a.raw)
            if (c == '<' || (uchar(c) < 0x20 && !isSpace(c)))
                return fail(QStringLiteral("the value of the attribute %1 holds a character it may not").arg(shown(a.name)));
        if (duplicateAttribute(a.name))
            return fail(QStringLiteral("the tag <%1> has two attributes %2").arg(shown(elementName), shown(a.name)));
        QByteArray scratch;
        if (a.raw.contains('&') && !resolve(a.raw, scratch, true))
            return Invalid;
        attributes.push_back(a);
        pos = end + 1;
    }
}

bool XmlTokens::duplicateAttribute(QByteArrayView name)
{
    // A tag's few attributes are compared one by one; past a handful, by a hash, so that
    // the time stays in proportion to the tag's length however many it holds.
    constexpr std::size_t Few = 8;
    if (attributes.size() < Few)
        return std::any_of(attributes.begin(), attributes.end(), [&](const Attribute &a) { return a.name == name; });
    if (attributeNames.isEmpty())
        for (const Attribute &a : attributes)
            attributeNames.insert(a.name);
    if (attributeNames.contains(name))
        return true;
    attributeNames.insert(name);
    return false;
}

XmlTokens::Token XmlTokens::readEndTag()
{
    pos += 2;
    QByteArrayView ended;
    if (!readName(ended))
        return Invalid;
    skipSpace();
    if (pos >= doc.size() || doc[pos] != '>')
        return fail(QStringLiteral("the end tag </%1> is not closed").arg(shown(ended)));
    if (open.empty() || open.back() != ended)
        return fail(open.empty() ? QStringLiteral("the end tag </%1> ends no element").arg(shown(ended))
                                 : QStringLiteral("</%1> where </%2> should be").arg(shown(ended), shown(open.back())));
    ++pos;
    open.pop_back();
    elementName = ended;
    return token = EndElement;
}

XmlTokens::Token XmlTokens::readCharacters()
{
    // The bytes that need a second look: control characters, '&', '>' and '<'.
    static constexpr auto special = [] {
        std::array<bool, 256> table{};
        for (int c = 0; c < 0x20; ++c)
            table[std::size_t(c)] = c != '\n' && c != '\t';
        table['&'] = table['>'] = table['<'] = true;
        return table;
    }();
    const qsizetype start = pos;
    bool plain = true; // no references, no carriage returns
    while (pos < doc.size()) {
        // Eight bytes at a time through the long runs of plain text (a layer's cells).
        if (pos + 8 <= doc.size() && !mayBeSpecial(qFromUnaligned<std::uint64_t>(doc.data() + pos))) {
            pos += 8;
            continue;
        }
        const char c = doc[pos];
        if (!special[uchar(c)]) {
            ++pos;
            continue;
        }
        if (c == '<')
            break;
        if (uchar(c) < 0x20) {
            if (c != '\r')
                return fail(QStringLiteral("a control character in the text"));
            plain = false;
        } else if (c == '&') {
            plain = false;
        } else if (c == '>' && pos >= start + 2 && doc[pos - 1] == ']' && doc[pos - 2] == ']') {
            return fail(QStringLiteral("\"]]>\" in the text"));
        }
        ++pos;
    }
    const QByteArrayView raw = doc.sliced(start, pos - start);
    if (open.empty()) {
        for (const char c : raw)
            if (!isSpace(c))
                return fail(rootSeen ? QStringLiteral("text after the end of the root element")
                                     : QStringLiteral("text before the root element"));
        return NoToken;
    }
    characters.clear();
    if (!plain && !resolve(raw, characters, false))
        return Invalid;
    charactersView = plain ? raw : QByteArrayView(characters);
    return token = Characters;
}

XmlTokens::Token XmlTokens::readMarkup()
{
    // Most markup is a tag.
    if (pos + 1 < doc.size() && isNameStart(uchar(doc[pos + 1])))
        return readStartTag();
    if (startsWith("<?"))
        return skipProcessingInstruction() ? NoToken : Invalid;
    if (startsWith("<!--"))
        return skipComment() ? NoToken : Invalid;
    if (startsWith("<![CDATA[")) {
        if (open.empty())
            return fail(QStringLiteral("a CDATA section outside the root element"));
        return readCData() ? (token = Characters) : Invalid;
    }
    if (startsWith("<!DOCTYPE"))
        return fail(QStringLiteral("the document declares a document type (<!DOCTYPE>), which a map does not"));
    if (startsWith("<!"))
        return fail(QStringLiteral("markup that XML does not know"));
    if (startsWith("</"))
        return readEndTag();
    return readStartTag();
}

XmlTokens::Token XmlTokens::readNext()
{
    if (token == Invalid || token == EndDocument)
        return token;
    if (!charactersChecked && !checkCharacters())
        return Invalid;
    if (pendingEnd) {
        pendingEnd = false;
        open.pop_back();
        return token = EndElement;
    }
    while (true) {
        if (pos >= doc.size()) {
            if (!open.empty())
                return fail(QStringLiteral("the document ends inside the element <%1> (truncated)").arg(shown(open.back())));
            if (!rootSeen)
                return fail(QStringLiteral("the document has no element"));
            return token = EndDocument;
        }
        const Token next = doc[pos] == '<' ? readMarkup() : readCharacters();
        if (next != NoToken)
            return next;
    }
}

} // namespace krelin
