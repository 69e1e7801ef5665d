#pragma once

#include <QChar>

namespace krelin {

// True for the invisible characters that change the direction in which the text around
// them is shown (U+202E, right-to-left override, among them): text from outside, shown
// with one of them left in, may read otherwise than it is. Messages show them escaped.
inline bool IsDirectionControl(QChar c)
{
    const char16_t u = c.unicode();
    return u == 0x061C || u == 0x200E || u == 0x200F || (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069);
}

} // namespace krelin
