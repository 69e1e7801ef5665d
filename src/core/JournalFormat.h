#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
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

// Reads a journal's records one at a time from wherever its bytes are (its file on disk),
// holding no more of it than the record read; each body is checked against its checksum
// only when it is read, so that a record can be passed over without reading it.
class JournalRecordReader
{
public:
    // Fills `into` with the bytes from offset on; returns how many it read (fewer only at
    // the end of the file or when the file cannot be read).
    using ReadAt = std::function<std::size_t(qint64 offset, std::span<std::uint8_t> into)>;

    // Why the records stop.
    enum class Stop {
        None,     // not yet
        End,      // the file ends after a whole record
        CutShort, // the file ends inside a record's header or body
        TooLong,  // a record claims a length no record can have
        Unread,   // the file could not be read
    };

    JournalRecordReader(ReadAt read, qint64 size);
    // A journal held in memory.
    explicit JournalRecordReader(std::span<const std::uint8_t> file);

    qint64 fileSize() const { return size; }
    // Whether the file starts with the journal's signature (checked on construction).
    bool signatureOk() const { return signature; }

    // Moves to the next record's header: false where the records stop (see stop()).
    bool next();
    Stop stop() const { return stopped; }

    // The current record: its kind, body length, place (1 for the first record) and offset
    // of its header in the file.
    std::uint8_t kind() const { return recordKind; }
    std::uint32_t length() const { return recordLength; }
    int number() const { return count; }
    qint64 offset() const { return at; }

    // Reads the current record's body into body; false when it does not match its checksum
    // (the record is damaged) or cannot be read. The body is read either way.
    bool readBody(std::vector<std::uint8_t> &body);

private:
    ReadAt read;
    qint64 size = 0;
    qint64 at = 0;    // the current record's header
    qint64 nextAt = 0;
    bool signature = false;
    Stop stopped = Stop::None;
    std::uint8_t recordKind = 0;
    std::uint32_t recordLength = 0;
    std::uint32_t recordCrc = 0;
    int count = 0;
};

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
