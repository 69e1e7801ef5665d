#include "PlayerServer.h"

#include "CoreHost.h"
#include "NesCoreSetup.h"
#include "PlayerMessages.h"
#include "core/modKrelin.h"

#include <QImage>
#include <QtEndian>

#include <cstring>

#include <errno.h>
#include <sys/socket.h>
#include <unistd.h>

namespace krelin {

namespace {

bool ReadFully(int fd, char *into, std::size_t size)
{
    while (size > 0) {
        const ssize_t got = ::read(fd, into, size);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        into += got;
        size -= std::size_t(got);
    }
    return true;
}

} // namespace

bool WriteWhole(int fd, const char *from, std::size_t size)
{
    while (size > 0) {
        const ssize_t sent = ::send(fd, from, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        from += sent;
        size -= std::size_t(sent);
    }
    return true;
}

namespace {

class Player
{
public:
    Player(int socket, const CoreOpener &openCore) : socket(socket), openCore(openCore) {}

    int serve()
    {
        for (;;) {
            char header[MessageHeaderSize + 1];
            if (!ReadFully(socket, header, sizeof header))
                return 0; // the editor has gone
            std::uint32_t size;
            std::memcpy(&size, header, 4);
            size = qFromLittleEndian(size);
            if (size == 0 || size > MaxMessageSize) {
                fail(QStringLiteral("the editor sent a message of %1 bytes").arg(size));
                return 1;
            }
            Message message{MessageKind(std::uint8_t(header[MessageHeaderSize])), QByteArray(qsizetype(size) - 1, '\0')};
            if (!ReadFully(socket, message.body.data(), std::size_t(message.body.size())))
                return 0;
            if (!handle(message))
                return 1;
        }
    }

private:
    bool handle(const Message &message)
    {
        MessageReader in(message.body);
        if (message.kind != MessageKind::Start && !host)
            return fail(QStringLiteral("the editor asked for a game before starting one"));
        switch (message.kind) {
        case MessageKind::Start: {
            const QString corePath = in.text();
            const QByteArray palette = in.bytes(), game = in.bytes(), state = in.bytes();
            return in.complete() ? start(corePath, palette, game, state) : unreadable();
        }
        case MessageKind::Run: {
            const int count = in.u16();
            const JoypadButtons buttons = in.u16();
            const bool sound = in.u8() != 0;
            return in.complete() ? run(count, buttons, sound) : unreadable();
        }
        case MessageKind::Edit: {
            const std::uint32_t runs = in.u32();
            for (std::uint32_t i = 0; i < runs && !in.failed(); ++i) {
                const std::uint32_t offset = in.u32();
                const QByteArray bytes = in.bytes();
                if (qint64(offset) + bytes.size() > image.size())
                    return fail(QStringLiteral("the editor sent an edit outside the image"));
                std::memcpy(image.data() + offset, bytes.constData(), std::size_t(bytes.size()));
            }
            return in.complete() ? reload() : unreadable();
        }
        case MessageKind::Image:
            image = in.bytes();
            return in.complete() ? reload() : unreadable();
        case MessageKind::Reset:
            host->reset();
            return send(MessageWriter(MessageKind::ResetDone));
        case MessageKind::SaveState: {
            QString error;
            const std::optional<QByteArray> state = host->saveState(&error);
            if (!state)
                return fail(error);
            return send(MessageWriter(MessageKind::State).bytes(*state));
        }
        case MessageKind::RestoreState: {
            const QByteArray state = in.bytes();
            if (!in.complete())
                return unreadable();
            QString error;
            const bool restored = host->restoreState(state, &error);
            return send(MessageWriter(MessageKind::Restored).u8(restored ? 1 : 0).text(error));
        }
        default:
            return fail(QStringLiteral("the editor sent a message of an unknown kind (%1)").arg(int(message.kind)));
        }
    }

    bool start(const QString &corePath, const QByteArray &palette, const QByteArray &game, const QByteArray &state)
    {
        if (host)
            return fail(QStringLiteral("the editor started the game twice"));
        QString error;
        host = openCore(corePath, &error);
        if (!host)
            return fail(error);
        modKrelin colours;
        for (int n = 0; n < 64 && palette.size() >= 192; ++n) {
            colours.NesRed[std::size_t(n)] = std::uint8_t(palette[3 * n]);
            colours.NesGreen[std::size_t(n)] = std::uint8_t(palette[3 * n + 1]);
            colours.NesBlue[std::size_t(n)] = std::uint8_t(palette[3 * n + 2]);
        }
        if ((palette.size() >= 192 && !UseEditorColors(*host, colours, &error)) || !SkipGameDatabase(*host, &error)
            || !host->loadImage(game, &error))
            return fail(error);
        image = game;
        QString stateProblem;
        if (!state.isEmpty() && !host->restoreState(state, &stateProblem))
            host->reset(); // a refused state may have been taken in part
        return send(MessageWriter(MessageKind::Started)
                        .text(host->name())
                        .f64(host->framesPerSecond())
                        .f64(host->sampleRate())
                        .text(stateProblem));
    }

    // Runs the frames and sends the rows of the picture that differ from those sent last,
    // and the sound when it is wanted.
    bool run(int count, JoypadButtons buttons, bool sound)
    {
        if (count < 1 || count > MaxFramesPerRun)
            return fail(QStringLiteral("the editor asked for %1 frames at once").arg(count));
        host->setButtons(buttons);
        std::vector<std::int16_t> audio;
        for (int i = 0; i < count; ++i) {
            host->runFrame();
            if (sound)
                audio.insert(audio.end(), host->audio().begin(), host->audio().end());
        }
        const QImage &picture = host->picture();
        int first = 0, last = -1;
        if (!picture.isNull()) {
            const bool sameSize = sent.size() == picture.size();
            const qsizetype line = qsizetype(picture.width()) * 4;
            const auto differs = [&](int y) {
                return !sameSize || std::memcmp(picture.constScanLine(y), sent.constScanLine(y), std::size_t(line)) != 0;
            };
            first = 0;
            while (first < picture.height() && !differs(first))
                ++first;
            last = picture.height() - 1;
            while (last >= first && !differs(last))
                --last;
            if (!sameSize)
                sent = QImage(picture.size(), QImage::Format_RGB32);
            for (int y = first; y <= last; ++y)
                std::memcpy(sent.scanLine(y), picture.constScanLine(y), std::size_t(line));
        }
        MessageWriter out(MessageKind::Frames);
        out.u16(std::uint16_t(count)).u16(std::uint16_t(picture.width())).u16(std::uint16_t(picture.height()));
        const int rows = std::max(0, last - first + 1);
        out.u16(std::uint16_t(rows ? first : 0)).u16(std::uint16_t(rows));
        for (int y = first; y <= last; ++y)
            out.raw(reinterpret_cast<const char *>(picture.constScanLine(y)), qsizetype(picture.width()) * 4);
        out.bytes(reinterpret_cast<const char *>(audio.data()), qsizetype(audio.size() * sizeof(std::int16_t)));
        return send(out);
    }

    bool reload()
    {
        QString message;
        switch (host->reloadImage(image, &message)) {
        case CoreHost::Reload::StateKept:
            return send(MessageWriter(MessageKind::Reloaded).u8(1).text(QString()));
        case CoreHost::Reload::Restarted:
            return send(MessageWriter(MessageKind::Reloaded).u8(0).text(message));
        case CoreHost::Reload::Failed:
            break;
        }
        return fail(message);
    }

    bool send(MessageWriter &message)
    {
        const QByteArray bytes = message.finish();
        return WriteWhole(socket, bytes.constData(), std::size_t(bytes.size()));
    }
    bool send(MessageWriter &&message) { return send(message); }

    bool unreadable() { return fail(QStringLiteral("the editor sent a request the player cannot read")); }

    // Says why the player ends; always false, for the caller to end with.
    bool fail(const QString &why)
    {
        send(MessageWriter(MessageKind::Failed).text(why));
        return false;
    }

    int socket;
    const CoreOpener &openCore;
    std::unique_ptr<CoreHost> host;
    QByteArray image; // the image as the core was last given it, edits applied
    QImage sent;      // the picture as the editor has it
};

} // namespace

int ServeEditor(int socket, const CoreOpener &openCore)
{
    const CoreOpener ownFolders = [](const QString &path, QString *error) {
        return CoreHost::open(path, DefaultCoreFolders(), error);
    };
    Player player(socket, openCore ? openCore : ownFolders);
    return player.serve();
}

} // namespace krelin
