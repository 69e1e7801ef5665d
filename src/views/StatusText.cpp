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

QString MapCellStatus(const modKrelin &model, int frame, int col, int row)
{
    const qint64 offset = LevelCellOffset(model, frame, col, row);
    QStringList parts{QStringLiteral("Row %1").arg(row), QStringLiteral("Column %1").arg(col)};
    if (model.holds(offset, 1))
        parts << QStringLiteral("Metatile ") + hex2(model.byteAt(offset));
    parts << QStringLiteral("Offset 0x") + QString::number(offset, 16).toUpper().rightJustified(4, u'0');
    if (!model.holds(offset, 1))
        parts << QStringLiteral("outside the image");
    return parts.join(Separator);
}

QString TableCellStatus(const modKrelin &model, int n)
{
    QStringList tiles;
    for (int i = 0; i < 4; ++i)
        tiles << hex2(model.byteAt(QuadrantTileOffset(model, n, i)));
    const int stored = model.byteAt(SubPaletteOffset(model, n));
    QString subPalette = QStringLiteral("Sub-palette %1").arg(stored & 3);
    if (stored > 3)
        subPalette += QStringLiteral(" (byte %1)").arg(hex2(stored));
    return QStringList{QStringLiteral("Metatile ") + hex2(n), QStringLiteral("Tiles ") + tiles.join(u' '),
                       subPalette}
        .join(Separator);
}

QString EmptyMapHint(bool imageOpen)
{
    return imageOpen ? QStringLiteral("Choose a stage: Edit \u25B8 Level")
                     : QStringLiteral("Open a cartridge image: File \u25B8 Open");
}

} // namespace krelin
