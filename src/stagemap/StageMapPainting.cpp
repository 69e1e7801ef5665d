// How the stage map's canvas paints: the picture, zoomed pixel for pixel, then the labels
// and the marks over it.
#include "StageMapCanvas.h"

#include "core/StageTable.h"
#include "core/modKrelin.h"
#include "render/TilePainter.h"
#include "views/CellMarks.h"
#include "views/MapTools.h"
#include "views/StageMapView.h"
#include "render/UseMarks.h"

#include <QPaintEvent>
#include <QPainter>

#include <vector>

namespace krelin {

namespace {

// Beyond the stage's last frame, and the line between frames.
constexpr QRgb Beyond = 0xFF303030;
constexpr QRgb FrameLine = 0xFF9A9A9A;
// The labels' band, and the label of the frame the main window shows.
constexpr QRgb LabelBand = 0xFF202020;
constexpr QRgb LabelText = 0xFFD8D8D8;
constexpr QRgb ShownLabel = 0xFFFFFFFF;

// A rectangle's outline, width pixels wide, inside it.
void outline(QPainter &painter, const QRect &r, QRgb color, int width)
{
    for (int i = 0; i < width; ++i) {
        const QRect ring = r.adjusted(i, i, -i, -i);
        if (ring.width() <= 0 || ring.height() <= 0)
            return;
        painter.fillRect(ring.left(), ring.top(), ring.width(), 1, QColor::fromRgb(color));
        painter.fillRect(ring.left(), ring.bottom(), ring.width(), 1, QColor::fromRgb(color));
        painter.fillRect(ring.left(), ring.top(), 1, ring.height(), QColor::fromRgb(color));
        painter.fillRect(ring.right(), ring.top(), 1, ring.height(), QColor::fromRgb(color));
    }
}

QString hex2(int n)
{
    return QStringLiteral("%1").arg(n, 2, 16, QLatin1Char('0')).toUpper();
}

} // namespace

void StageMapCanvas::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    for (const QRect &r : event->region())
        paintArea(painter, r);
}

void StageMapCanvas::paintArea(QPainter &painter, const QRect &area)
{
    if (area.isEmpty())
        return;
    paintPixels(area);
    paintGhost(area);
    painter.drawImage(area.topLeft(), buffer, QRect(QPoint(0, 0), area.size()));
    painter.save();
    painter.setClipRect(area);
    paintLabels(painter, area);
    paintMarks(painter, area);
    painter.restore();
}

// The picture's pixels under the area: each canvas pixel takes the colour of the picture
// pixel its top-left corner falls in, through the picture's colour table.
void StageMapCanvas::paintPixels(const QRect &area)
{
    if (buffer.width() < area.width() || buffer.height() < area.height())
        buffer = QImage(area.size().expandedTo(buffer.size()), QImage::Format_RGB32);
    const QImage &picture = view.image();
    QRgb colors[256];
    std::fill(std::begin(colors), std::end(colors), ClearColor);
    const QList<QRgb> table = picture.colorTable();
    std::copy(table.begin(), table.begin() + std::min<qsizetype>(table.size(), 256), colors);

    const QPoint origin = area.topLeft() + scrolled();
    std::vector<int> columns(std::size_t(area.width()));
    for (int x = 0; x < area.width(); ++x)
        columns[std::size_t(x)] = view.stage() ? geo.pictureColumn(origin.x() + x) : -2;
    for (int y = 0; y < area.height(); ++y) {
        auto *out = reinterpret_cast<QRgb *>(buffer.scanLine(y));
        const int row = view.stage() ? geo.pictureRow(origin.y() + y) : -1;
        if (row < 0) {
            std::fill(out, out + area.width(), origin.y() + y < StageMapGeometry::LabelHeight ? LabelBand : Beyond);
            continue;
        }
        const uchar *line = picture.constScanLine(row);
        for (int x = 0; x < area.width(); ++x) {
            const int c = columns[std::size_t(x)];
            out[x] = c >= 0 ? colors[line[c]] : c == -1 ? FrameLine : Beyond;
        }
    }
}

// The stamp where it would land, over the picture's pixels, cut at the reach of the view it
// is over.
void StageMapCanvas::paintGhost(const QRect &area)
{
    const std::optional<QPoint> place = tools.ghostPlace();
    if (!place || !tools.stamp() || !view.stage())
        return;
    const Stamp &stamp = *tools.stamp();
    const QRect places = QRect(*place, QSize(stamp.columns, stamp.rows)).intersected(tools.ghostReach());
    const QList<QRgb> table = view.image().colorTable();
    for (int y = places.top(); y <= places.bottom() && !places.isEmpty(); ++y)
        for (int x = places.left(); x <= places.right(); ++x) {
            const QRect cell = onViewport(geo.cellRect(CellAtPoint({x, y}))).intersected(area);
            if (cell.isEmpty())
                continue;
            const std::uint8_t *sprite = view.metaTilePicture(stamp.at(x - place->x(), y - place->y()));
            const QRect whole = onViewport(geo.cellRect(CellAtPoint({x, y})));
            for (int sy = cell.top(); sy <= cell.bottom(); ++sy) {
                auto *out = reinterpret_cast<QRgb *>(buffer.scanLine(sy - area.top()));
                const std::uint8_t *from = sprite + StageMapMetaTile * ((sy - whole.top()) * StageMapMetaTile / geo.cell);
                for (int sx = cell.left(); sx <= cell.right(); ++sx)
                    out[sx - area.left()] = table.value(from[(sx - whole.left()) * StageMapMetaTile / geo.cell], ClearColor);
            }
        }
}

// Above each frame its number and room ("Frame 4 · Room 0A", shorter where the frame is
// narrow), the frame the main window shows in white, a frame that differs from the other
// image underlined in the comparison's colour.
void StageMapCanvas::paintLabels(QPainter &painter, const QRect &area)
{
    const Stage *stage = view.stage();
    if (!stage || area.top() + scrolled().y() >= StageMapGeometry::LabelHeight)
        return;
    const QFontMetrics metrics = painter.fontMetrics();
    for (int f = std::max(0, geo.frameAt(area.left() + scrolled().x())); f < geo.frames; ++f) {
        const QRect label = onViewport(geo.labelRect(f));
        if (label.left() > area.right())
            break;
        const qint64 roomAt = FrameRoomOffset(*stage, f);
        const QString room = model.holds(roomAt, 1) ? hex2(model.byteAt(roomAt)) : QStringLiteral("--");
        QString text = QStringLiteral("Frame %1 \u00B7 Room %2").arg(f).arg(room);
        if (metrics.horizontalAdvance(text) > label.width() - 4)
            text = QStringLiteral("%1 \u00B7 %2").arg(f).arg(room);
        if (metrics.horizontalAdvance(text) > label.width() - 4)
            text = QString::number(f);
        const bool current = f == shown;
        if (current)
            painter.fillRect(label.adjusted(0, 1, 0, -2), QColor::fromRgb(ShownLabel));
        painter.setPen(QColor::fromRgb(current ? 0xFF000000 : LabelText));
        painter.drawText(label.adjusted(2, 0, -2, -2), Qt::AlignCenter, text);
        if (std::binary_search(differingFrames.begin(), differingFrames.end(), f))
            painter.fillRect(label.left(), label.bottom() - 1, label.width(), 2, QColor::fromRgb(DiffMarkColor));
    }
}

void StageMapCanvas::paintMarks(QPainter &painter, const QRect &area)
{
    if (!view.stage())
        return;
    const QRect content = area.translated(scrolled());
    const int ring = geo.cell >= 16 ? 2 : 1;
    // Show Uses: the cells holding the selected metatile, in every frame.
    if (usesMarked >= 0)
        for (int f = std::max(0, geo.frameAt(content.left())); f < geo.frames; ++f) {
            if (geo.frameRect(f).left() > content.right())
                break;
            for (int k = 0; k < FrameBytes; ++k) {
                const QRect cell = geo.cellRect({f, k / FrameColumns, k % FrameColumns});
                if (cell.intersects(content) && view.metaTileAt(f, k) == usesMarked)
                    outline(painter, onViewport(cell), UseOutlineColor, ring);
            }
        }
    // A comparison's differing cells: a ring inside the use outline.
    for (const StageCell &c : differingCells) {
        const QRect cell = geo.cellRect(c);
        if (cell.intersects(content))
            outline(painter, onViewport(cell).adjusted(ring, ring, -ring, -ring), DiffMarkColor, ring);
    }
    if (const QRect selection = geo.placesRect(tools.selection()); selection.intersects(content))
        outline(painter, onViewport(selection), SelectionColor, 2);
    if (const QRect ghost = ghostContent(); ghost.intersects(content))
        outline(painter, onViewport(ghost), GhostColor, 2);
    // The white frame: the pointer's cell, or the keyboard's cursor.
    outline(painter, onViewport(geo.cellRect(tools.cell())), CellFrameColor, 1);
    // The keyboard's focus: the canvas's edge in the highlight colour.
    if (hasFocus())
        outline(painter, viewport()->rect(), palette().color(QPalette::Highlight).rgb(), 2);
}

} // namespace krelin
