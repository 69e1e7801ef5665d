// What a reader of XmlTokens asks besides the next token: attributes, where a fault lies,
// and reading on by whole elements.
#include "XmlTokens.h"

#include <algorithm>

namespace krelin {

qint64 XmlTokens::lineNumber() const
{
    return 1 + std::count(doc.begin(), doc.begin() + std::min(faultAt, doc.size()), '\n');
}

qint64 XmlTokens::columnNumber() const
{
    const qsizetype at = std::min(faultAt, doc.size());
    qsizetype start = at;
    while (start > 0 && doc[start - 1] != '\n')
        --start;
    return 1 + QString::fromUtf8(doc.sliced(start, at - start)).size();
}

QByteArray XmlTokens::attribute(QByteArrayView attributeName) const
{
    for (const Attribute &a : attributes) {
        if (a.name != attributeName)
            continue;
        if (!a.raw.contains('&') && !a.raw.contains('\r') && !a.raw.contains('\n') && !a.raw.contains('\t'))
            return a.raw.isEmpty() ? QByteArray("") : a.raw.toByteArray();
        QByteArray value("");
        resolveInto(a.raw, value, true); // checked when the tag was read
        return value;
    }
    return {};
}

bool XmlTokens::hasAttribute(QByteArrayView attributeName) const
{
    return std::any_of(attributes.begin(), attributes.end(), [&](const Attribute &a) { return a.name == attributeName; });
}

bool XmlTokens::readNextStartElement()
{
    while (true) {
        switch (readNext()) {
        case StartElement: return true;
        case EndElement:
        case EndDocument:
        case Invalid: return false;
        default: break;
        }
    }
}

void XmlTokens::skipCurrentElement()
{
    int depth = 1;
    while (depth > 0) {
        switch (readNext()) {
        case StartElement: ++depth; break;
        case EndElement: --depth; break;
        case EndDocument:
        case Invalid: return;
        default: break;
        }
    }
}

QByteArray XmlTokens::readElementText()
{
    QByteArray text("");
    int depth = 1;
    while (depth > 0) {
        switch (readNext()) {
        case StartElement: ++depth; break;
        case EndElement: --depth; break;
        case Characters:
            if (depth == 1)
                text += charactersView;
            break;
        case EndDocument:
        case Invalid: return text;
        default: break;
        }
    }
    return text;
}

} // namespace krelin
