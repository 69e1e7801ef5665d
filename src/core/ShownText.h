#pragma once

#include <QChar>
#include <QString>

namespace krelin {

// True for the invisible characters that change the direction in which the text around
// them is shown (U+202E, right-to-left override, among them): text from outside, shown
// with one of them left in, may read otherwise than it is. Messages show them escaped.
inline bool IsDirectionControl(QChar c)
{
    const char16_t u = c.unicode();
    return u == 0x061C || u == 0x200E || u == 0x200F || (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069);
}

// text as a message may quote it: each control character written as an escape (\n,
// \x01), so that the message stays on one line whatever was typed, and each character
// that turns the direction of the text around it (\x202e) too. Text already quoted comes
// back as it is.
inline QString QuotableText(const QString &text)
{
    QString quoted;
    for (const QChar c : text) {
        if (c == u'\n')
            quoted += QStringLiteral("\\n");
        else if (c == u'\t')
            quoted += QStringLiteral("\\t");
        else if (c.category() == QChar::Other_Control || c.category() == QChar::Separator_Line
                 || c.category() == QChar::Separator_Paragraph || IsDirectionControl(c))
            quoted += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            quoted += c;
    }
    return quoted;
}

} // namespace krelin
