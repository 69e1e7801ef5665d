#include "Stamp.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

namespace krelin {

QString StampToText(const Stamp &stamp)
{
    QString text;
    text.reserve(stamp.cellCount() * 3);
    for (int row = 0; row < stamp.rows; ++row) {
        for (int col = 0; col < stamp.columns; ++col) {
            if (col > 0)
                text += u' ';
            text += QStringLiteral("%1").arg(stamp.at(col, row), 2, 16, QLatin1Char('0')).toUpper();
        }
        text += u'\n';
    }
    return text;
}

std::optional<Stamp> StampFromText(const QString &text, QString *why, const QString &lineName)
{
    const auto refuse = [why](const QString &reason) -> std::optional<Stamp> {
        if (why)
            *why = reason;
        return std::nullopt;
    };
    QStringList lines = text.split(u'\n');
    for (QString &line : lines)
        if (line.endsWith(u'\r'))
            line.chop(1);
    while (!lines.isEmpty() && lines.first().trimmed().isEmpty())
        lines.removeFirst();
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    if (lines.isEmpty())
        return refuse(QStringLiteral("it holds no metatile numbers"));
    if (lines.size() > MostStampRows)
        return refuse(QStringLiteral("it has %1 rows, more than %2").arg(lines.size()).arg(MostStampRows));

    Stamp stamp;
    stamp.rows = int(lines.size());
    for (int row = 0; row < stamp.rows; ++row) {
        const QStringList numbers = lines[row].split(QRegularExpression(QStringLiteral("[ \t]+")), Qt::SkipEmptyParts);
        if (numbers.isEmpty())
            return refuse(QStringLiteral("%1 %2 is empty").arg(lineName).arg(row + 1));
        if (row == 0) {
            if (numbers.size() > MostStampColumns)
                return refuse(QStringLiteral("it has %1 columns, more than %2").arg(numbers.size()).arg(MostStampColumns));
            stamp.columns = int(numbers.size());
            stamp.cells.reserve(std::size_t(stamp.columns * stamp.rows));
        } else if (numbers.size() != stamp.columns) {
            return refuse(QStringLiteral("%1 %2 has %3 %4, %1 1 has %5")
                              .arg(lineName)
                              .arg(row + 1)
                              .arg(numbers.size())
                              .arg(numbers.size() == 1 ? QStringLiteral("number") : QStringLiteral("numbers"))
                              .arg(stamp.columns));
        }
        for (const QString &number : numbers) {
            bool ok = false;
            const int value = number.size() <= 2 ? number.toInt(&ok, 16) : -1;
            if (!ok || value < 0 || value > 255)
                return refuse(QStringLiteral("\"%1\" on %2 %3 is not a metatile number (00 to FF)")
                                  .arg(number.left(20), lineName)
                                  .arg(row + 1));
            stamp.cells.push_back(std::uint8_t(value));
        }
    }
    return stamp;
}

std::bitset<FrameBytes> FillRegion(const FrameCells &frame, int start)
{
    std::bitset<FrameBytes> region;
    for (const int cell : FillRegion(std::vector<std::int16_t>(frame.begin(), frame.end()), FrameColumns, start))
        region.set(std::size_t(cell));
    return region;
}

std::vector<int> FillRegion(const std::vector<std::int16_t> &grid, int columns, int start)
{
    const int count = int(grid.size());
    if (columns <= 0 || start < 0 || start >= count || grid[std::size_t(start)] < 0)
        return {};
    const std::int16_t value = grid[std::size_t(start)];
    std::vector<bool> seen(grid.size());
    std::vector<int> pending{start}, region;
    seen[std::size_t(start)] = true;
    while (!pending.empty()) {
        const int cell = pending.back();
        pending.pop_back();
        region.push_back(cell);
        const int col = cell % columns;
        const auto visit = [&](int next) {
            if (next >= 0 && next < count && !seen[std::size_t(next)] && grid[std::size_t(next)] == value) {
                seen[std::size_t(next)] = true;
                pending.push_back(next);
            }
        };
        if (col > 0)
            visit(cell - 1);
        if (col < columns - 1)
            visit(cell + 1);
        visit(cell - columns);
        visit(cell + columns);
    }
    std::sort(region.begin(), region.end());
    return region;
}

} // namespace krelin
