#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <span>
#include <vector>

namespace krelin {

// The framing of a journal file: a signature, then records, each written whole by one
// write() call:
//
//   u32 body length | u32 CRC-32 of the kind and the body | u8 kind | body
//
// all numbers little-endian. A program killed in the middle of a write leaves a record cut
// short; a disk that lost a block leaves one whose checksum fails. A reader keeps every
// record before the first such one and knows where it stopped.

inline constexpr char JournalSignature[8] = {'K', 'R', 'E', 'L', 'J', 'N', 'L', '1'};
inline constexpr std::size_t JournalRecordHeaderSize = 9;
// No record is longer: the largest holds a whole image and a step's two copies of one.
inline constexpr std::uint32_t MaxJournalRecordLength = 64u << 20;

// Builds records into one buffer: begin() a record, put its body, end() it.
class JournalWriter
{
public:
    // Starts the buffer with the signature (a whole journal) or without (records to append).
    explicit JournalWriter(bool withSignature = false);

    void begin(std::uint8_t kind);
    void putU8(std::uint8_t value) { out.push_back(value); }
    void putU32(std::uint32_t value);
    void putI64(qint64 value);
    // A length (u32) and the bytes.
    void putBytes(std::span<const std::uint8_t> bytes);
    void putText(const QString &text);
    void end();

    const std::vector<std::uint8_t> &bytes() const { return out; }
    void clear() { out.clear(); }

private:
    std::vector<std::uint8_t> out;
    std::size_t start = 0; // where the open record's header begins
};

struct JournalRecord
{
    std::uint8_t kind = 0;
    std::span<const std::uint8_t> body;
};

struct JournalRecords
{
    std::vector<JournalRecord> records; // every whole record before the first damage
    bool signatureOk = false;           // false: not a journal at all, no records
    bool cutShort = false;              // the records stop before the end of the file
};

// The records of a journal file held in memory; the spans point into file.
JournalRecords ReadJournalRecords(std::span<const std::uint8_t> file);

// Reads a record's body field by field. Every read is checked against what is left: a read
// past the end returns nothing and marks the reader failed, and so does every read after it.
class JournalBodyReader
{
public:
    explicit JournalBodyReader(std::span<const std::uint8_t> body)
        : rest(body)
    {
    }

    std::uint8_t u8();
    std::uint32_t u32();
    qint64 i64();
    // A length and that many bytes, refused (failed) when longer than maxLength.
    std::span<const std::uint8_t> bytes(std::uint32_t maxLength);
    QString text(std::uint32_t maxLength);

    bool failed() const { return bad; }
    // The body was read to its end and nothing failed.
    bool atEnd() const { return !bad && rest.empty(); }

private:
    std::span<const std::uint8_t> take(std::size_t count);

    std::span<const std::uint8_t> rest;
    bool bad = false;
};

} // namespace krelin
