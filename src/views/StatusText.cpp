#include "StatusText.h"

#include "core/StageTable.h"
#include "core/modKrelin.h"

namespace krelin {

namespace {

const QString Separator = QStringLiteral(" \u00B7 ");

// n as two upper-case hexadecimal digits.
QString hex2(int n)
{
    return QString::number(n, 16).toUpper().rightJustified(2, u'0');
}

} // namespace

PlaceTexts PlaceStatus(const Stage *stage, int frame, int page, int selectedMetaTile)
{
    if (!stage)
        return {};
    return {stage->caption(), QStringLiteral("Frame %1 / %2").arg(frame).arg(stage->Frames),
            QStringLiteral("Page %1 / %2").arg(page).arg(TablePages),
            QStringLiteral("Metatile ") + hex2(selectedMetaTile)};
}

QString MapCellStatus(const modKrelin &model, int frame, int col, int row, TextLength length)
{
    const bool full = length == TextLength::Full;
    const qint64 offset = LevelCellOffset(model, frame, col, row);
    QStringList parts{(full ? QStringLiteral("Row %1") : QStringLiteral("R %1")).arg(row),
                      (full ? QStringLiteral("Column %1") : QStringLiteral("C %1")).arg(col)};
    if (model.holds(offset, 1))
        parts << (full ? QStringLiteral("Metatile ") : QString()) + hex2(model.byteAt(offset));
    parts << (full ? QStringLiteral("Offset 0x") : QStringLiteral("0x"))
            + QString::number(offset, 16).toUpper().rightJustified(4, u'0');
    if (!model.holds(offset, 1))
        parts << (full ? QStringLiteral("outside the image") : QStringLiteral("outside"));
    return parts.join(Separator);
}

QString TableCellStatus(const modKrelin &model, int n, TextLength length)
{
    const bool full = length == TextLength::Full;
    QStringList tiles;
    for (int i = 0; i < 4; ++i)
        tiles << hex2(model.byteAt(QuadrantTileOffset(model, n, i)));
    const int stored = model.byteAt(SubPaletteOffset(model, n));
    QString subPalette = (full ? QStringLiteral("Sub-palette %1") : QStringLiteral("Sub %1")).arg(stored & 3);
    if (stored > 3)
        subPalette += QStringLiteral(" (byte %1)").arg(hex2(stored));
    return QStringList{(full ? QStringLiteral("Metatile ") : QString()) + hex2(n),
                       (full ? QStringLiteral("Tiles ") : QString()) + tiles.join(u' '), subPalette}
        .join(Separator);
}

QString EmptyMapHint(bool imageOpen)
{
    return imageOpen ? QStringLiteral("Choose a stage: Edit \u25B8 Level")
                     : QStringLiteral("Open a cartridge image: File \u25B8 Open");
}

} // namespace krelin
