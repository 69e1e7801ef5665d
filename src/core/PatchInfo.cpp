#include "PatchInfo.h"

#include "Crc32.h"
#include "ImageDiff.h"
#include "RomFile.h"
#include "ShownText.h"
#include "Version.h"

#include <QDir>

#include <algorithm>
#include <cstring>

namespace krelin {

namespace {

using View = std::span<const std::uint8_t>;

constexpr qint64 BpsFooterSize = 12; // the checksums of source, target and patch
// What a description shows of metadata: the first lines, each cut to a length that fits a
// terminal's line or two.
constexpr int MostShownLines = 20;
constexpr int MostShownLineLength = 200;

QString oneLine(QString text)
{
    for (QChar &c : text)
        if (c.category() == QChar::Other_Control)
            c = u' ';
    return text.simplified();
}

// Text from a file, fit to show: control characters other than line breaks and tabs
// (escape sequences among them) become U+FFFD, and those that turn the text's direction
// are written as escapes (\x202e).
QString printable(const QString &text)
{
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'\r')
            continue;
        if (IsDirectionControl(c))
            shown += QStringLiteral("\\x%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else if (c.category() == QChar::Other_Control && c != u'\n' && c != u'\t')
            shown += QChar::ReplacementCharacter;
        else
            shown += c;
    }
    return shown;
}

// A line of metadata as shown: at most MostShownLineLength characters.
QString shownLine(const QString &line)
{
    return line.size() <= MostShownLineLength ? line : line.left(MostShownLineLength) + QChar(0x2026);
}

QString checksum(std::uint32_t crc)
{
    return QStringLiteral("%1").arg(crc, 8, 16, QChar(u'0')).toUpper();
}

QString offsetText(qint64 offset)
{
    return QStringLiteral("0x") + QString::number(offset, 16).toUpper();
}

bool startsWith(View bytes, const char *magic)
{
    const std::size_t n = std::strlen(magic);
    return bytes.size() >= n && std::memcmp(bytes.data(), magic, n) == 0;
}

std::uint32_t readLe32(View bytes, qint64 at)
{
    std::uint32_t v = 0;
    for (int k = 3; k >= 0; --k)
        v = v << 8 | bytes[std::size_t(at + k)];
    return v;
}

qint64 readBe(View bytes, qint64 at, int count)
{
    qint64 v = 0;
    for (int k = 0; k < count; ++k)
        v = v << 8 | bytes[std::size_t(at + k)];
    return v;
}

// A BPS number: seven bits a byte, low first, the last byte marked by its top bit.
std::optional<qint64> readNumber(View bytes, qint64 &pos, qint64 end)
{
    std::uint64_t value = 0, shift = 1;
    while (pos < end) {
        const std::uint8_t b = bytes[std::size_t(pos++)];
        value += (b & 0x7F) * shift;
        if (b & 0x80)
            return qint64(value);
        shift <<= 7;
        value += shift;
        if (shift > (std::uint64_t(1) << 42)) // far beyond any image's size
            return std::nullopt;
    }
    return std::nullopt;
}

void readBps(View patch, PatchInfo &info)
{
    info.format = PatchFormat::Bps;
    const qint64 size = qint64(patch.size());
    if (size < 4 + 3 + BpsFooterSize) {
        info.error = QStringLiteral("the patch is cut short: it is only %1 bytes long").arg(size);
        return;
    }
    info.sourceCrc = readLe32(patch, size - 12);
    info.targetCrc = readLe32(patch, size - 8);
    info.patchCrc = readLe32(patch, size - 4);
    info.patchCrcOfBytes = Crc32(patch.first(std::size_t(size - 4)));
    qint64 pos = 4;
    const qint64 end = size - BpsFooterSize;
    const auto source = readNumber(patch, pos, end);
    const auto target = source ? readNumber(patch, pos, end) : std::nullopt;
    const auto metadata = target ? readNumber(patch, pos, end) : std::nullopt;
    if (!metadata) {
        info.error = QStringLiteral("the patch is malformed or cut short: its sizes cannot be read");
        return;
    }
    if (*metadata > end - pos) {
        info.error = QStringLiteral("the patch is malformed: its metadata runs into its checksums");
        return;
    }
    info.sourceSize = *source;
    info.targetSize = *target;
    info.metadataSize = *metadata;
    info.metadata = ParsePatchMetadata(patch.subspan(std::size_t(pos), std::size_t(*metadata)));
}

void readIps(View patch, PatchInfo &info)
{
    info.format = PatchFormat::Ips;
    const qint64 size = qint64(patch.size());
    qint64 pos = 5;
    for (;;) {
        if (size - pos < 3) {
            info.error = QStringLiteral("the patch is cut short: it ends without its \"EOF\" marker");
            return;
        }
        if (std::memcmp(patch.data() + pos, "EOF", 3) == 0)
            break;
        const qint64 offset = readBe(patch, pos, 3);
        const bool headerFits = size - pos >= 5;
        qint64 length = headerFits ? readBe(patch, pos + 3, 2) : 0;
        const bool run = length == 0;
        const qint64 body = run ? 3 : length;
        if (!headerFits || size - pos - 5 < body) {
            info.error = QStringLiteral("the patch is cut short: it ends inside its record at offset %1")
                             .arg(offsetText(offset));
            return;
        }
        if (run)
            length = readBe(patch, pos + 5, 2);
        pos += 5 + body;
        info.firstWritten = info.records == 0 ? offset : std::min(info.firstWritten, offset);
        info.endWritten = std::max(info.endWritten, offset + length);
        info.records += 1;
        info.runRecords += run ? 1 : 0;
        info.bytesWritten += length;
    }
    const qint64 rest = size - pos - 3;
    if (rest == 3)
        info.truncatedTo = readBe(patch, pos + 3, 3);
    else if (rest != 0)
        info.error = QStringLiteral("the patch has %1 unexpected bytes after its \"EOF\" marker").arg(rest);
}

} // namespace

QByteArray PatchMetadataText(const PatchDescription &description, View original, View modified)
{
    QString text;
    auto line = [&](const char *key, const QString &value) {
        if (!value.isEmpty())
            text += QLatin1String(key) + QStringLiteral(": ") + value + u'\n';
    };
    line("Description", oneLine(description.description));
    line("Author", oneLine(description.author));
    line("Program", QStringLiteral("Krelin ") + VersionText());
    QStringList stages;
    const ImageDiff diff(original, modified);
    for (const StageDiff *d : diff.differingStages())
        stages << QLatin1String(d->stage->name);
    line("Stages", stages.isEmpty() ? QStringLiteral("none") : stages.join(QStringLiteral(", ")));
    return text.toUtf8();
}

QString PatchMetadata::field(QStringView key) const
{
    for (const auto &[k, v] : fields)
        if (k == key)
            return v;
    return {};
}

PatchMetadata ParsePatchMetadata(View bytes)
{
    PatchMetadata m;
    // Metadata made here takes a few lines; of another program's, the start is enough to
    // show, and reading megabytes of it would only cost time and memory.
    if (bytes.size() > std::size_t(PatchMetadata::MostBytesRead)) {
        std::size_t cut = std::size_t(PatchMetadata::MostBytesRead);
        while (cut > 0 && (bytes[cut] & 0xC0) == 0x80) // not inside a character
            --cut;
        bytes = bytes.first(cut);
        m.cut = true;
    }
    m.text = QString::fromUtf8(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
    for (QStringView line : QStringView(m.text).split(u'\n')) {
        const qsizetype colon = line.indexOf(QLatin1String(": "));
        const QStringView key = colon > 0 ? line.left(colon) : QStringView();
        const bool isKey = !key.isEmpty() && key.front().isLetter()
            && std::all_of(key.begin(), key.end(), [](QChar c) { return c.isLetterOrNumber() || c == u' ' || c == u'-'; });
        if (isKey)
            m.fields.append({key.toString(), line.mid(colon + 2).trimmed().toString()});
    }
    return m;
}

PatchInfo ReadPatchInfo(View patch)
{
    PatchInfo info;
    info.patchSize = qint64(patch.size());
    if (startsWith(patch, "PATCH"))
        readIps(patch, info);
    else if (startsWith(patch, "BPS1"))
        readBps(patch, info);
    else
        info.error = QStringLiteral("the file is not an IPS or BPS patch: it starts with neither \"PATCH\" nor \"BPS1\"");
    return info;
}

QStringList PatchInfoLines(const PatchInfo &info)
{
    QStringList lines;
    if (info.format == PatchFormat::Ips) {
        lines << QStringLiteral("Format: IPS")
              << QStringLiteral("Patch: %1 bytes, no checksums (IPS records none)").arg(info.patchSize);
        if (info.records == 0)
            lines << QStringLiteral("Records: none");
        else
            lines << QStringLiteral("Records: %1%2, writing %3 %4 from %5 to %6")
                         .arg(info.records)
                         .arg(info.runRecords ? QStringLiteral(" (%1 of them runs of one byte)").arg(info.runRecords)
                                              : QString())
                         .arg(info.bytesWritten)
                         .arg(info.bytesWritten == 1 ? QStringLiteral("byte") : QStringLiteral("bytes"))
                         .arg(offsetText(info.firstWritten), offsetText(std::max(info.endWritten - 1, info.firstWritten)));
        if (info.truncatedTo)
            lines << QStringLiteral("Cuts the image to %1 bytes").arg(*info.truncatedTo);
        lines << QStringLiteral("Metadata: none (IPS has no metadata field)");
        return lines;
    }
    const QString holds = info.checksumHolds()
        ? QStringLiteral("holds")
        : QStringLiteral("does not hold: its bytes have the checksum %1").arg(checksum(info.patchCrcOfBytes));
    lines << QStringLiteral("Format: BPS")
          << QStringLiteral("Patch: %1 bytes, checksum %2 (%3)").arg(info.patchSize).arg(checksum(info.patchCrc), holds)
          << QStringLiteral("Source: %1 bytes, checksum %2").arg(info.sourceSize).arg(checksum(info.sourceCrc))
          << QStringLiteral("Target: %1 bytes, checksum %2").arg(info.targetSize).arg(checksum(info.targetCrc));
    if (info.metadataSize == 0) {
        lines << QStringLiteral("Metadata: none");
        return lines;
    }
    lines << QStringLiteral("Metadata: %1 bytes").arg(info.metadataSize);
    QString text = printable(info.metadata.text);
    if (text.endsWith(u'\n') && !info.metadata.cut)
        text.chop(1);
    const QStringList metadata = text.split(u'\n');
    for (const QString &line : metadata.mid(0, MostShownLines))
        lines << QStringLiteral("  ") + shownLine(line);
    if (metadata.size() > MostShownLines || info.metadata.cut)
        lines << QStringLiteral("  \u2026 (%1 bytes in all; the rest is not shown)").arg(info.metadataSize);
    return lines;
}

PatchResult MakeDescribedPatch(PatchFormat format, View original, View modified, const PatchDescription &description)
{
    if (format == PatchFormat::Ips) {
        if (!description.isEmpty())
            return {{}, QStringLiteral("an IPS patch has no field for a description or an author; name the patch "
                                       ".bps to keep them")};
        return MakePatch(format, original, modified);
    }
    const QByteArray metadata = PatchMetadataText(description, original, modified);
    const auto *begin = reinterpret_cast<const std::uint8_t *>(metadata.constData());
    return MakePatch(format, original, modified, View(begin, std::size_t(metadata.size())));
}

QString WriteDescribedPatchFile(const QString &path, View original, View modified,
                                const PatchDescription &description)
{
    const auto format = PatchFormatForPath(path);
    if (!format)
        return WritePatchFile(path, original, modified); // refuses the name, writing nothing
    const PatchResult patch = MakeDescribedPatch(*format, original, modified, description);
    if (!patch.ok())
        return QStringLiteral("Cannot write the patch %1: %2.").arg(QDir::toNativeSeparators(path), patch.error);
    return WriteRomFile(path, patch.bytes);
}

} // namespace krelin
