#pragma once

#include <QString>
#include <QTextDocument>

namespace krelin {

// A tool-tip that shows text as it is. Qt takes a tool-tip that looks like markup for
// markup; names from outside (a file's path) can look so, and would show as a heading or a
// link. Message boxes need no such care: the desktop shows their texts as plain text.
inline QString PlainToolTip(const QString &text)
{
    return Qt::convertFromPlainText(text, Qt::WhiteSpaceNoWrap);
}

} // namespace krelin
