#include "PlayerMessages.h"

#include <QtEndian>

#include <bit>
#include <cstring>

namespace krelin {

MessageWriter::MessageWriter(MessageKind kind)
{
    data.reserve(64);
    data.append(MessageHeaderSize, '\0');
    data.append(char(kind));
}

MessageWriter &MessageWriter::u8(std::uint8_t value)
{
    data.append(char(value));
    return *this;
}

MessageWriter &MessageWriter::u16(std::uint16_t value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    data.append(bytes, 2);
    return *this;
}

MessageWriter &MessageWriter::u32(std::uint32_t value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    data.append(bytes, 4);
    return *this;
}

MessageWriter &MessageWriter::f64(double value)
{
    char bytes[8];
    qToLittleEndian(std::bit_cast<std::uint64_t>(value), bytes);
    data.append(bytes, 8);
    return *this;
}

MessageWriter &MessageWriter::bytes(const char *from, qsizetype size)
{
    u32(std::uint32_t(size));
    return raw(from, size);
}

MessageWriter &MessageWriter::raw(const char *from, qsizetype size)
{
    data.append(from, size);
    return *this;
}

QByteArray MessageWriter::finish()
{
    qToLittleEndian(std::uint32_t(data.size() - MessageHeaderSize), data.data());
    return std::move(data);
}

bool MessageReader::take(qsizetype size)
{
    if (bad || size < 0 || size > body.size() - at) {
        bad = true;
        return false;
    }
    return true;
}

std::uint8_t MessageReader::u8()
{
    if (!take(1))
        return 0;
    return std::uint8_t(body[at++]);
}

std::uint16_t MessageReader::u16()
{
    if (!take(2))
        return 0;
    const auto value = qFromLittleEndian<std::uint16_t>(body.constData() + at);
    at += 2;
    return value;
}

std::uint32_t MessageReader::u32()
{
    if (!take(4))
        return 0;
    const auto value = qFromLittleEndian<std::uint32_t>(body.constData() + at);
    at += 4;
    return value;
}

double MessageReader::f64()
{
    if (!take(8))
        return 0;
    const auto value = qFromLittleEndian<std::uint64_t>(body.constData() + at);
    at += 8;
    return std::bit_cast<double>(value);
}

QByteArray MessageReader::bytes()
{
    const std::uint32_t size = u32();
    return raw(qsizetype(size));
}

QByteArray MessageReader::raw(qsizetype size)
{
    if (!take(size))
        return {};
    QByteArray value = body.mid(at, size);
    at += size;
    return value;
}

std::optional<Message> MessageBuffer::next(QString *error)
{
    const qsizetype available = pending.size() - start;
    if (available < MessageHeaderSize)
        return std::nullopt;
    const auto size = qFromLittleEndian<std::uint32_t>(pending.constData() + start);
    if (size == 0 || size > MaxMessageSize) {
        *error = QStringLiteral("a message of %1 bytes").arg(size);
        return std::nullopt;
    }
    if (available - MessageHeaderSize < qsizetype(size))
        return std::nullopt;
    Message message;
    message.kind = MessageKind(std::uint8_t(pending[start + MessageHeaderSize]));
    message.body = pending.mid(start + MessageHeaderSize + 1, qsizetype(size) - 1);
    start += MessageHeaderSize + qsizetype(size);
    // Drop what was read once it is most of the buffer, not at every message.
    if (start == pending.size()) {
        pending.clear();
        start = 0;
    } else if (start > 65536 && start * 2 > pending.size()) {
        pending.remove(0, start);
        start = 0;
    }
    return message;
}

} // namespace krelin
