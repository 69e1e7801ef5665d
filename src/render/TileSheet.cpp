#include "TileSheet.h"

#include "TilePainter.h"
#include "core/TileCodec.h"

#include <QFileInfo>
#include <QImageReader>

#include <algorithm>
#include <cstring>

namespace krelin {

namespace {

constexpr int SheetColumns = TileSheetSide / 8;

QString sizeProblem(QSize size)
{
    return QStringLiteral("the sheet is %1 × %2 pixels; a tile sheet is %3 × %3")
        .arg(size.width())
        .arg(size.height())
        .arg(TileSheetSide);
}

// The colour number of a pixel read by colour, and whether it was one of the four.
int colourNumber(QRgb pixel, const SheetColors &colors, bool &exact)
{
    const QRgb rgb = pixel | 0xFF000000u;
    for (int i = 0; i < 4; ++i)
        if ((colors[std::size_t(i)] | 0xFF000000u) == rgb) {
            exact = true;
            return i;
        }
    exact = false;
    int best = 0;
    long bestDistance = -1;
    for (int i = 0; i < 4; ++i) {
        const QRgb c = colors[std::size_t(i)];
        const long dr = qRed(c) - qRed(rgb), dg = qGreen(c) - qGreen(rgb), db = qBlue(c) - qBlue(rgb);
        const long distance = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

// Turns a picture of colour numbers, 128 x 128, a line at a time from line(y), into the
// 256 tiles' bytes.
template<class Line>
std::vector<std::uint8_t> tilesOf(Line line)
{
    std::vector<std::uint8_t> tiles(TileSheetBytes);
    for (int t = 0; t < TilesPerBank; ++t) {
        const int x = 8 * (t % SheetColumns), y = 8 * (t / SheetColumns);
        for (int r = 0; r < 8; ++r)
            SetTileRow(tiles.data() + TileBytes * t, r, TileRowOf(line(y + r) + x));
    }
    return tiles;
}

} // namespace

SheetColors SheetColorsOf(const BgColorSet &colors, int p)
{
    const int first = 4 * (p & 3);
    return {ToQRgb(colors[std::size_t(first)]), ToQRgb(colors[std::size_t(first + 1)]),
            ToQRgb(colors[std::size_t(first + 2)]), ToQRgb(colors[std::size_t(first + 3)])};
}

QImage EncodeTileSheet(const std::uint8_t *tiles, const SheetColors &colors)
{
    QImage sheet(TileSheetSide, TileSheetSide, QImage::Format_Indexed8);
    sheet.setColorTable(QList<QRgb>(colors.begin(), colors.end()));
    for (int t = 0; t < TilesPerBank; ++t) {
        const std::uint8_t *tile = tiles + TileBytes * t;
        const int x = 8 * (t % SheetColumns), y = 8 * (t / SheetColumns);
        for (int r = 0; r < 8; ++r) {
            uchar *line = sheet.scanLine(y + r) + x;
            for (int j = 0; j < 8; ++j)
                line[j] = uchar(GetTilePixel(tile, j, r));
        }
    }
    return sheet;
}

DecodedTileSheet DecodeTileSheet(const QImage &sheet, const SheetColors &colors)
{
    DecodedTileSheet decoded;
    if (sheet.size() != QSize(TileSheetSide, TileSheetSide)) {
        decoded.error = sizeProblem(sheet.size());
        return decoded;
    }
    const bool indexed = (sheet.format() == QImage::Format_Indexed8 || sheet.format() == QImage::Format_Mono
                          || sheet.format() == QImage::Format_MonoLSB)
        && sheet.colorCount() > 0 && sheet.colorCount() <= 4;
    if (indexed) {
        const QImage bytes = sheet.convertToFormat(QImage::Format_Indexed8);
        const int colours = bytes.colorCount();
        const uchar *bits = bytes.constBits();
        const qsizetype stride = bytes.bytesPerLine();
        const auto line = [bits, stride](int y) { return bits + y * stride; };
        // Every index must name a colour of the palette: below 4 for four colours, eight at
        // a time.
        bool valid = true;
        for (int y = 0; y < TileSheetSide && valid; ++y) {
            const uchar *pixels = line(y);
            if (colours == 4) {
                std::uint64_t any = 0;
                for (int x = 0; x < TileSheetSide; x += 8) {
                    std::uint64_t word;
                    std::memcpy(&word, pixels + x, sizeof word);
                    any |= word;
                }
                valid = (any & 0xFCFCFCFCFCFCFCFCu) == 0;
            } else {
                valid = std::none_of(pixels, pixels + TileSheetSide, [colours](uchar index) { return index >= colours; });
            }
        }
        if (!valid) {
            decoded.error = QStringLiteral("the sheet's pixels name colours its palette does not hold");
            return decoded;
        }
        decoded.byIndex = true;
        decoded.tiles = tilesOf(line);
    } else {
        std::vector<std::uint8_t> numbers(std::size_t(TileSheetSide) * TileSheetSide);
        const QImage rgb = sheet.convertToFormat(QImage::Format_RGB32);
        // A paint program's picture has long runs of one colour: the last answer is kept.
        QRgb last = 0;
        int lastNumber = -1;
        bool lastExact = true;
        for (int y = 0; y < TileSheetSide; ++y) {
            const auto *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
            for (int x = 0; x < TileSheetSide; ++x) {
                if (lastNumber < 0 || line[x] != last) {
                    last = line[x];
                    lastNumber = colourNumber(last, colors, lastExact);
                }
                numbers[std::size_t(TileSheetSide) * y + x] = std::uint8_t(lastNumber);
                decoded.nearest += lastExact ? 0 : 1;
            }
        }
        decoded.tiles = tilesOf([&numbers](int y) { return numbers.data() + std::size_t(TileSheetSide) * y; });
    }
    return decoded;
}

TileSheetFile ReadTileSheetFile(const QString &path)
{
    TileSheetFile file;
    const QString &name = path;
    if (QFileInfo(path).isDir()) {
        file.error = QStringLiteral("cannot read %1: it is a folder, not a picture").arg(name);
        return file;
    }
    QImageReader reader(path);
    // The size is in the header: a picture of another size is refused without decoding it.
    const QSize size = reader.size();
    if (!size.isValid()) {
        file.error = QStringLiteral("cannot read %1: %2").arg(name, reader.errorString());
        return file;
    }
    if (size != QSize(TileSheetSide, TileSheetSide)) {
        file.error = QStringLiteral("cannot import %1: %2").arg(name, sizeProblem(size));
        return file;
    }
    if (!reader.read(&file.image)) {
        file.error = QStringLiteral("cannot read %1: %2").arg(name, reader.errorString());
        file.image = QImage();
    }
    return file;
}

} // namespace krelin
