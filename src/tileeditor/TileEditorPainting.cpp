// What the tile editor does to the pixels of the tile in its grid: pressing and dragging
// to paint, picking a colour, filling, turning, copying and pasting; and choosing a
// quadrant's tile on the sheet.
#include "frmTileEditor.h"

#include "core/ImageLayout.h"
#include "core/TileCodec.h"
#include "core/modKrelin.h"
#include "edit/EditHistory.h"
#include "edit/TileEdits.h"
#include "render/TileEditorView.h"
#include "render/TilePainter.h"
#include "render/TileSheetView.h"
#include "widgets/PictureSurface.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace krelin {

namespace {

// The clipboard's format for a tile's 16 bytes; an 8 x 8 picture goes along for other
// programs.
const QString TileMimeType = QStringLiteral("application/x-krelin-tile");

// The grid cell of a pointer coordinate (rounded to the nearest whole pixel, halves to
// even): negative left of or above the grid (the border, or a pointer captured outside),
// 8 and beyond right of or below it. Far-off positions are kept within reach of the grid.
int cellOf(double position)
{
    const double pixel = std::clamp(std::nearbyint(position), -1000.0, 1000.0);
    return int(std::floor(pixel / GridCellSize));
}

bool onGrid(int col, int row)
{
    return col >= 0 && col < 8 && row >= 0 && row < 8;
}

} // namespace

void frmTileEditor::pic8x8Edit_MouseMove(double x, double y)
{
    const int col = cellOf(x), row = cellOf(y);
    pixelCol = std::max(col, -1);
    pixelRow = std::max(row, -1);
    if (stroking && (col != strokeCol || row != strokeRow))
        continueStroke(col, row);
}

void frmTileEditor::pic8x8Edit_MouseDown(Qt::MouseButton, Qt::KeyboardModifiers shift)
{
    // Any button acts on the cell of the last pointer move; a cell off the grid changes
    // nothing, so no byte beside the shown pixel's two can change.
    const int n = CurrentMetaTile();
    stroking = false;
    if (onGrid(pixelCol, pixelRow)) {
        if (shift & Qt::ControlModifier) {
            const qint64 tile = QuadrantTileBytes(model, n, editQuadrant);
            if (tile >= 0)
                picColorSelector_Click(GetTilePixel(model.bytesAt(tile, TileBytes), pixelCol, pixelRow));
        } else if (shift & Qt::ShiftModifier) {
            FillTileArea(history, n, editQuadrant, pixelCol, pixelRow, DrawingColor());
        } else {
            stroking = true;
            strokeSerial = strokeSerial == INT_MAX ? 1 : strokeSerial + 1;
            strokeCol = pixelCol;
            strokeRow = pixelRow;
            PaintTilePixel(history, n, editQuadrant, pixelCol, pixelRow, DrawingColor(), strokeSerial);
        }
    }
    // The painted pixel comes back through the model. With another metatile selected than
    // the one shown, the window shows the one edited.
    if (n != editMetaTile)
        cboTile_Click();
}

void frmTileEditor::pic8x8Edit_MouseUp()
{
    stroking = false;
}

void frmTileEditor::continueStroke(int col, int row)
{
    // Every cell on the straight line from the last one reached, so that a fast drag
    // leaves no gaps; cells off the grid are passed over.
    const int dx = std::abs(col - strokeCol), dy = -std::abs(row - strokeRow);
    const int sx = strokeCol < col ? 1 : -1, sy = strokeRow < row ? 1 : -1;
    int x = strokeCol, y = strokeRow, error = dx + dy;
    const int n = CurrentMetaTile(), color = DrawingColor();
    while (x != col || y != row) {
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x += sx;
        }
        if (twice <= dx) {
            error += dx;
            y += sy;
        }
        if (onGrid(x, y))
            PaintTilePixel(history, n, editQuadrant, x, y, color, strokeSerial);
    }
    strokeCol = col;
    strokeRow = row;
}

void frmTileEditor::mnuTransform_Click(TileChange change)
{
    const int n = CurrentMetaTile();
    TransformTile(history, n, editQuadrant, change);
    if (n != editMetaTile)
        cboTile_Click();
}

void frmTileEditor::mnuCopyTile_Click()
{
    const qint64 at = QuadrantTileBytes(model, CurrentMetaTile(), editQuadrant);
    if (at < 0)
        return;
    const std::uint8_t *tile = model.bytesAt(at, TileBytes);
    auto *data = new QMimeData;
    data->setData(TileMimeType, QByteArray(reinterpret_cast<const char *>(tile), TileBytes));
    QImage picture(8, 8, QImage::Format_RGB32);
    Paint2BPPTile(picture, tile, shownColors(), 0, 0, 8);
    data->setImageData(picture);
    QGuiApplication::clipboard()->setMimeData(data);
}

void frmTileEditor::mnuPasteTile_Click()
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    const QByteArray bytes = data ? data->data(TileMimeType) : QByteArray();
    if (bytes.size() != TileBytes)
        return;
    const int n = CurrentMetaTile();
    PasteTile(history, n, editQuadrant, ReadTile(reinterpret_cast<const std::uint8_t *>(bytes.constData())));
    if (n != editMetaTile)
        cboTile_Click();
}

void frmTileEditor::picTileSheet_MouseMove(double x, double y)
{
    const int t = SheetTileAt(x, y);
    if (t == sheetPointer)
        return;
    sheetPointer = t;
    picTileSheet->setToolTip(t < 0 ? QString() : QStringLiteral("Tile ") + QStringLiteral("%1").arg(t, 2, 16, QChar(u'0')).toUpper());
}

void frmTileEditor::picTileSheet_Click()
{
    // The tile of the last pointer move, as the composite takes its quadrant.
    if (sheetPointer >= 0)
        setQuadrantTile(editQuadrant, sheetPointer, 0);
}

} // namespace krelin
