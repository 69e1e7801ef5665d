#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

namespace krelin {

// What the editor and its player process say to each other over their socket. Each message
// is its length (4 bytes, little-endian, counting the kind and the body), its kind (1 byte)
// and its body. The editor asks; the player answers each request with one message, in
// order, or ends with Failed.
enum class MessageKind : std::uint8_t {
    // From the editor.
    Start = 1,    // core path, palette (64 RGB triplets), image, saved state (maybe empty)
    Run,          // frames to run, buttons held, whether the sound is wanted
    Edit,         // runs of bytes changed in the image: offset, bytes; then a reload
    Image,        // a whole new image (its size changed); then a reload
    Reset,        //
    SaveState,    //
    RestoreState, // the state
    // From the player.
    Started = 64, // core name, frames a second, sample rate, why a state given was refused
    Frames,       // frames run, picture size, the rows that changed, the sound
    Reloaded,     // whether the game kept its state, what was said
    ResetDone,    //
    State,        // the state saved
    Restored,     // whether the core took it, why not
    Failed,       // why the player ends (the last message it sends)
};

// No message is larger: an image, a state or a frame is far smaller.
inline constexpr std::uint32_t MaxMessageSize = 64u << 20;
inline constexpr int MessageHeaderSize = 4;

// The longest run of frames one Run asks for.
inline constexpr int MaxFramesPerRun = 600;

struct Message
{
    MessageKind kind{};
    QByteArray body;
};

// Builds one message.
class MessageWriter
{
public:
    explicit MessageWriter(MessageKind kind);
    MessageWriter &u8(std::uint8_t value);
    MessageWriter &u16(std::uint16_t value);
    MessageWriter &u32(std::uint32_t value);
    MessageWriter &f64(double value);
    MessageWriter &bytes(const char *data, qsizetype size);
    MessageWriter &bytes(const QByteArray &data) { return bytes(data.constData(), data.size()); }
    MessageWriter &text(const QString &text) { return bytes(text.toUtf8()); }
    // Raw bytes without a length before them (the reader knows how many from what came first).
    MessageWriter &raw(const char *data, qsizetype size);
    // The message with its length in front.
    QByteArray finish();

private:
    QByteArray data;
};

// Reads a message's body. Reading past its end, or a length that does not fit, sets
// failed() and gives zeros and empty values from then on.
class MessageReader
{
public:
    explicit MessageReader(const QByteArray &body) : body(body) {}
    std::uint8_t u8();
    std::uint16_t u16();
    std::uint32_t u32();
    double f64();
    QByteArray bytes();
    QString text() { return QString::fromUtf8(bytes()); }
    QByteArray raw(qsizetype size);
    bool failed() const { return bad; }
    // True when every byte was read and nothing was missing.
    bool complete() const { return !bad && at == body.size(); }

private:
    bool take(qsizetype size);

    const QByteArray &body;
    qsizetype at = 0;
    bool bad = false;
};

// Splits the bytes that arrive into messages.
class MessageBuffer
{
public:
    void append(const QByteArray &bytes) { pending.append(bytes); }
    // The next whole message, or nothing while it has not all arrived. A length of zero or
    // over MaxMessageSize sets *error (the stream cannot be read any further).
    std::optional<Message> next(QString *error);

private:
    QByteArray pending;
    qsizetype start = 0;
};

} // namespace krelin
