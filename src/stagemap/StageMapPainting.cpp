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

void StageMapCanvas::useColors()
{
    pixels.setColors(FrameLine, Beyond, LabelBand);
}

void StageMapCanvas::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    for (const QRect &r : event->region())
        paintArea(painter, r);
}

void StageMapCanvas::paintArea(QPainter &painter, const QRect &area)
{
    if (!area.isEmpty())
        painter.drawImage(area.topLeft(), render(area), QRect(QPoint(0, 0), area.size()));
}

const QImage &StageMapCanvas::render(const QRect &area)
{
    if (buffer.width() < area.width() || buffer.height() < area.height())
        buffer = QImage(area.size().expandedTo(buffer.size()), QImage::Format_RGB32);
    // The frames in sight are painted when they first come into it.
    const QRect content = area.translated(scrolled());
    view.paintFrames(geo.frameAt(std::max(0, content.left())), geo.frameAt(std::min(content.right(), geo.width() - 1)));
    pixels.paint(buffer, view.stage() ? &view.image() : nullptr, geo, content);
    paintGhost(area);
    QPainter painter(&buffer);
    painter.translate(-area.topLeft());
    painter.setClipRect(area);
    paintLabels(painter, area);
    paintMarks(painter, area);
    return buffer;
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
    for (int y = places.top(); y <= places.bottom() && !places.isEmpty(); ++y)
        for (int x = places.left(); x <= places.right(); ++x) {
            const QRect cell = onViewport(geo.cellRect(CellAtPoint({x, y}))).intersected(area);
            if (cell.isEmpty())
                continue;
            const QRgb *sprite = view.metaTilePicture(stamp.at(x - place->x(), y - place->y()));
            // Each pixel shows the sprite's pixel that the picture would show there.
            const QPoint scroll = scrolled();
            for (int sy = cell.top(); sy <= cell.bottom(); ++sy) {
                auto *out = reinterpret_cast<QRgb *>(buffer.scanLine(sy - area.top())) - area.left();
                const QRgb *from = sprite + StageMapMetaTile * (geo.pictureRow(sy + scroll.y()) % StageMapMetaTile);
                for (int sx = cell.left(); sx <= cell.right(); ++sx)
                    out[sx] = from[geo.pictureColumn(sx + scroll.x()) % StageMapMetaTile];
            }
        }
}

// Above each frame its number and room ("Frame 4 · Room 0A", shorter where the frame is
// narrow), the frame the main window shows in white, a frame that differs from the other
// image underlined in the comparison's colour. Laying out text costs more than the rest of
// a paint, so each label is drawn once and kept until what it says changes.
void StageMapCanvas::paintLabels(QPainter &painter, const QRect &area)
{
    const Stage *stage = view.stage();
    if (!stage || area.top() + scrolled().y() >= StageMapGeometry::LabelHeight)
        return;
    labels.resize(std::size_t(geo.frames));
    for (int f = std::max(0, geo.frameAt(area.left() + scrolled().x())); f < geo.frames; ++f) {
        const QRect rect = onViewport(geo.labelRect(f));
        if (rect.left() > area.right())
            break;
        const qint64 roomAt = FrameRoomOffset(*stage, f);
        Label wanted{model.holds(roomAt, 1) ? model.byteAt(roomAt) : -1, f == shown,
                     std::binary_search(differingFrames.begin(), differingFrames.end(), f), rect.width(), {}};
        Label &label = labels[std::size_t(f)];
        if (!label.sameAs(wanted)) {
            label = wanted;
            label.image = drawLabel(f, label);
        }
        painter.drawImage(rect.topLeft(), label.image);
    }
}

QImage StageMapCanvas::drawLabel(int frame, const Label &label) const
{
    QImage image(label.width, StageMapGeometry::LabelHeight, QImage::Format_RGB32);
    image.fill(LabelBand);
    QPainter painter(&image);
    painter.setFont(font());
    const QFontMetrics metrics = painter.fontMetrics();
    const QString room = label.room >= 0 ? hex2(label.room) : QStringLiteral("--");
    QString text = QStringLiteral("Frame %1 \u00B7 Room %2").arg(frame).arg(room);
    if (metrics.horizontalAdvance(text) > label.width - 4)
        text = QStringLiteral("%1 \u00B7 %2").arg(frame).arg(room);
    if (metrics.horizontalAdvance(text) > label.width - 4)
        text = QString::number(frame);
    const QRect rect = image.rect();
    if (label.current)
        painter.fillRect(rect.adjusted(0, 1, 0, -2), QColor::fromRgb(ShownLabel));
    painter.setPen(QColor::fromRgb(label.current ? 0xFF000000 : LabelText));
    painter.drawText(rect.adjusted(2, 0, -2, -2), Qt::AlignCenter, text);
    if (label.differing)
        painter.fillRect(rect.left(), rect.bottom() - 1, rect.width(), 2, QColor::fromRgb(DiffMarkColor));
    return image;
}

void StageMapCanvas::paintMarks(QPainter &painter, const QRect &area)
{
    if (!view.stage())
        return;
    const QRect content = area.translated(scrolled());
    const int ring = geo.scale >= StageMapGeometry::ConsoleScale ? 2 : 1;
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
