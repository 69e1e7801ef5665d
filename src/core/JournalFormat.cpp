#include "JournalFormat.h"

#include "Crc32.h"

#include <algorithm>
#include <cstring>

namespace krelin {

namespace {

void storeU32(std::uint8_t *at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = std::uint8_t(value >> (8 * i));
}

std::uint32_t loadU32(const std::uint8_t *at)
{
    return std::uint32_t(at[0]) | std::uint32_t(at[1]) << 8 | std::uint32_t(at[2]) << 16 | std::uint32_t(at[3]) << 24;
}

} // namespace

JournalWriter::JournalWriter(bool withSignature)
{
    if (withSignature) {
        out.resize(sizeof JournalSignature);
        std::memcpy(out.data(), JournalSignature, sizeof JournalSignature);
    }
}

void JournalWriter::begin(std::uint8_t kind)
{
    start = out.size();
    out.resize(start + JournalRecordHeaderSize, 0);
    out[start + 8] = kind;
}

void JournalWriter::putU32(std::uint32_t value)
{
    const std::size_t at = out.size();
    out.resize(at + 4);
    storeU32(out.data() + at, value);
}

void JournalWriter::putI64(qint64 value)
{
    putU32(std::uint32_t(quint64(value)));
    putU32(std::uint32_t(quint64(value) >> 32));
}

void JournalWriter::putBytes(std::span<const std::uint8_t> bytes)
{
    putU32(std::uint32_t(bytes.size()));
    out.insert(out.end(), bytes.begin(), bytes.end());
}

void JournalWriter::putText(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    putBytes({reinterpret_cast<const std::uint8_t *>(utf8.constData()), std::size_t(utf8.size())});
}

void JournalWriter::end()
{
    std::uint8_t *header = out.data() + start;
    const std::size_t length = out.size() - start - JournalRecordHeaderSize;
    storeU32(header, std::uint32_t(length));
    // The checksum covers the kind and the body; the length is checked by where the
    // record ends.
    storeU32(header + 4, Crc32({header + 8, length + 1}));
}

JournalRecords ReadJournalRecords(std::span<const std::uint8_t> file)
{
    JournalRecords read;
    if (file.size() < sizeof JournalSignature || std::memcmp(file.data(), JournalSignature, sizeof JournalSignature) != 0)
        return read;
    read.signatureOk = true;
    std::span<const std::uint8_t> rest = file.subspan(sizeof JournalSignature);
    while (!rest.empty()) {
        if (rest.size() < JournalRecordHeaderSize) {
            read.cutShort = true;
            break;
        }
        const std::uint32_t length = loadU32(rest.data());
        if (length > MaxJournalRecordLength || length > rest.size() - JournalRecordHeaderSize
            || Crc32(rest.subspan(8, std::size_t(length) + 1)) != loadU32(rest.data() + 4)) {
            read.cutShort = true;
            break;
        }
        read.records.push_back({rest[8], rest.subspan(JournalRecordHeaderSize, length)});
        rest = rest.subspan(JournalRecordHeaderSize + length);
    }
    return read;
}

JournalRecordReader::JournalRecordReader(ReadAt readAt, qint64 fileSize)
    : read(std::move(readAt))
    , size(fileSize)
{
    std::uint8_t start[sizeof JournalSignature];
    signature = size >= qint64(sizeof start) && read(0, start) == sizeof start
        && std::memcmp(start, JournalSignature, sizeof start) == 0;
    nextAt = sizeof JournalSignature;
    if (!signature)
        stopped = Stop::End;
}

JournalRecordReader::JournalRecordReader(std::span<const std::uint8_t> file)
    : JournalRecordReader(
          [file](qint64 offset, std::span<std::uint8_t> into) {
              if (into.empty() || offset < 0 || offset >= qint64(file.size()))
                  return std::size_t(0);
              const std::size_t n = std::min(into.size(), file.size() - std::size_t(offset));
              std::memcpy(into.data(), file.data() + offset, n);
              return n;
          },
          qint64(file.size()))
{
}

bool JournalRecordReader::next()
{
    if (stopped != Stop::None)
        return false;
    at = nextAt;
    if (at == size) {
        stopped = Stop::End;
        return false;
    }
    std::uint8_t header[JournalRecordHeaderSize];
    if (size - at < qint64(sizeof header)) {
        stopped = Stop::CutShort;
        return false;
    }
    if (read(at, header) != sizeof header) {
        stopped = Stop::Unread;
        return false;
    }
    recordLength = loadU32(header);
    recordCrc = loadU32(header + 4);
    recordKind = header[8];
    if (recordLength > MaxJournalRecordLength) {
        stopped = Stop::TooLong;
        return false;
    }
    if (qint64(recordLength) > size - at - qint64(sizeof header)) {
        stopped = Stop::CutShort;
        return false;
    }
    nextAt = at + qint64(sizeof header) + recordLength;
    ++count;
    return true;
}

bool JournalRecordReader::readBody(std::vector<std::uint8_t> &body)
{
    body.resize(recordLength);
    if (read(at + qint64(JournalRecordHeaderSize), body) != body.size()) {
        stopped = Stop::Unread;
        return false;
    }
    return Crc32(body, Crc32({&recordKind, 1})) == recordCrc;
}

std::span<const std::uint8_t> JournalBodyReader::take(std::size_t count)
{
    if (bad || count > rest.size()) {
        bad = true;
        return {};
    }
    const auto taken = rest.first(count);
    rest = rest.subspan(count);
    return taken;
}

std::uint8_t JournalBodyReader::u8()
{
    const auto b = take(1);
    return b.empty() ? 0 : b[0];
}

std::uint32_t JournalBodyReader::u32()
{
    const auto b = take(4);
    return b.empty() ? 0 : loadU32(b.data());
}

qint64 JournalBodyReader::i64()
{
    const quint64 low = u32();
    const quint64 high = u32();
    return qint64(low | high << 32);
}

std::span<const std::uint8_t> JournalBodyReader::bytes(std::uint32_t maxLength)
{
    const std::uint32_t length = u32();
    if (length > maxLength) {
        bad = true;
        return {};
    }
    return take(length);
}

QString JournalBodyReader::text(std::uint32_t maxLength)
{
    const auto b = bytes(maxLength);
    return QString::fromUtf8(reinterpret_cast<const char *>(b.data()), qsizetype(b.size()));
}

} // namespace krelin
