#include "Stamp.h"

#include <QRegularExpression>
#include <QStringList>

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

std::optional<Stamp> StampFromText(const QString &text, QString *why)
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
            return refuse(QStringLiteral("line %1 is empty").arg(row + 1));
        if (row == 0) {
            if (numbers.size() > MostStampColumns)
                return refuse(QStringLiteral("it has %1 columns, more than %2").arg(numbers.size()).arg(MostStampColumns));
            stamp.columns = int(numbers.size());
            stamp.cells.reserve(std::size_t(stamp.columns * stamp.rows));
        } else if (numbers.size() != stamp.columns) {
            return refuse(QStringLiteral("line %1 has %2 %3, line 1 has %4")
                              .arg(row + 1)
                              .arg(numbers.size())
                              .arg(numbers.size() == 1 ? QStringLiteral("number") : QStringLiteral("numbers"))
                              .arg(stamp.columns));
        }
        for (const QString &number : numbers) {
            bool ok = false;
            const int value = number.size() <= 2 ? number.toInt(&ok, 16) : -1;
            if (!ok || value < 0 || value > 255)
                return refuse(QStringLiteral("\"%1\" on line %2 is not a metatile number (00 to FF)")
                                  .arg(number.left(20))
                                  .arg(row + 1));
            stamp.cells.push_back(std::uint8_t(value));
        }
    }
    return stamp;
}

std::bitset<FrameBytes> FillRegion(const FrameCells &frame, int start)
{
    std::bitset<FrameBytes> region;
    if (start < 0 || start >= FrameBytes)
        return region;
    const std::uint8_t value = frame[std::size_t(start)];
    std::array<int, FrameBytes> pending;
    int count = 0;
    pending[count++] = start;
    region.set(std::size_t(start));
    while (count > 0) {
        const int cell = pending[--count];
        const int col = cell % FrameColumns, row = cell / FrameColumns;
        const auto visit = [&](int next) {
            if (!region.test(std::size_t(next)) && frame[std::size_t(next)] == value) {
                region.set(std::size_t(next));
                pending[count++] = next;
            }
        };
        if (col > 0)
            visit(cell - 1);
        if (col < FrameColumns - 1)
            visit(cell + 1);
        if (row > 0)
            visit(cell - FrameColumns);
        if (row < FrameRows - 1)
            visit(cell + FrameColumns);
    }
    return region;
}

} // namespace krelin
