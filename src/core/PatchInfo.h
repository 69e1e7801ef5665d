#pragma once

#include "Patch.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <span>
#include <utility>

namespace krelin {

// What a patch says about itself. A BPS patch made here carries, in its metadata field,
// a few lines of plain UTF-8 text that any text viewer shows:
//
//   Description: The second room of stage 3 rebuilt
//   Author: A. Hacker
//   Program: Krelin 0.5.1
//   Stages: 3, 4A
//
// Description and Author only when given; Stages names the stages whose data the patch
// changes ("none" when it changes none). The field is a length-prefixed blob that BPS
// appliers skip, so the patch stays one that every applier accepts. IPS has no such
// field: a description or an author for an IPS patch is refused.

// What the maker of a patch says of it. Each is one line: line breaks and other control
// characters become spaces, and runs of spaces one.
struct PatchDescription
{
    QString description;
    QString author;

    bool isEmpty() const { return description.trimmed().isEmpty() && author.trimmed().isEmpty(); }
};

// The metadata text of a BPS patch from original to modified, as described above.
QByteArray PatchMetadataText(const PatchDescription &description, std::span<const std::uint8_t> original,
                             std::span<const std::uint8_t> modified);

// A patch's metadata read back: the text as it is (invalid UTF-8 replaced), and its lines
// of the form "Key: value" in order. Text in another form (another program's) has no fields.
// Only the first MostBytesRead bytes are read.
struct PatchMetadata
{
    static constexpr qint64 MostBytesRead = 64 * 1024;

    QString text;
    QList<std::pair<QString, QString>> fields;
    bool cut = false; // the metadata goes on past text

    // The value of the first line with this key, or an empty string.
    QString field(QStringView key) const;
    QString description() const { return field(u"Description"); }
    QString author() const { return field(u"Author"); }
};

PatchMetadata ParsePatchMetadata(std::span<const std::uint8_t> bytes);

// What the header, records and checksums of a patch say, read without applying it.
struct PatchInfo
{
    PatchFormat format = PatchFormat::Ips;
    qint64 patchSize = 0;

    // BPS: the sizes and checksums it records, its own checksum as its bytes give it,
    // and its metadata.
    qint64 sourceSize = 0;
    qint64 targetSize = 0;
    std::uint32_t sourceCrc = 0, targetCrc = 0;
    std::uint32_t patchCrc = 0, patchCrcOfBytes = 0;
    qint64 metadataSize = 0;
    PatchMetadata metadata;

    // IPS: its records (of which runs of one byte), the bytes they write, the first and
    // one past the last offset written, and the size it cuts the image to, if it does.
    int records = 0;
    int runRecords = 0;
    qint64 bytesWritten = 0;
    qint64 firstWritten = 0, endWritten = 0;
    std::optional<qint64> truncatedTo;

    QString error; // empty when the patch could be read; otherwise why not, as a clause

    bool ok() const { return error.isEmpty(); }
    bool checksumHolds() const { return format == PatchFormat::Ips || patchCrc == patchCrcOfBytes; }
};

// Reads an IPS or BPS patch's own description of itself. A patch that is neither, or
// whose records or sizes cannot be read, gives an error; a BPS patch whose checksum does
// not hold is read as far as it can be, and says so through checksumHolds().
PatchInfo ReadPatchInfo(std::span<const std::uint8_t> patch);

// The description as lines of text: format, sizes, checksums and metadata (indented, its
// control characters shown as U+FFFD so that they cannot act on a terminal, and those
// that turn the text's direction as escapes). Of long metadata, the first lines are
// shown and then its size.
QStringList PatchInfoLines(const PatchInfo &info);

// MakePatch with a description: a BPS patch gets PatchMetadataText in its metadata field;
// an IPS patch is refused when the description is not empty.
PatchResult MakeDescribedPatch(PatchFormat format, std::span<const std::uint8_t> original,
                               std::span<const std::uint8_t> modified, const PatchDescription &description);

// WritePatchFile with a description; the same messages, and one for a described IPS patch.
QString WriteDescribedPatchFile(const QString &path, std::span<const std::uint8_t> original,
                                std::span<const std::uint8_t> modified, const PatchDescription &description);

} // namespace krelin
