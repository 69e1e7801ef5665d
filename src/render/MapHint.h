#pragma once

#include <QImage>
#include <QString>

namespace krelin {

// The colour of the hint text on the cleared level map.
inline constexpr QRgb HintColor = 0xFFB0B0B0;

// Clears the surface and writes text in its middle: what the empty level map shows
// before a stage is drawn on it, telling the user what to do next.
void DrawMapHint(QImage &surface, const QString &text);

} // namespace krelin
