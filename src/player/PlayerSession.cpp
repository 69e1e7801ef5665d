#include "PlayerSession.h"

#include "core/RomFile.h"
#include "core/modKrelin.h"

#include <algorithm>

namespace krelin {

namespace {

// More separate ranges than this in one reload, and the whole image goes instead.
constexpr std::size_t MostRanges = 4096;

QByteArray ImageBytes(const modKrelin &model)
{
    const std::vector<std::uint8_t> saved = ImageAsSaved(model.image());
    return QByteArray(reinterpret_cast<const char *>(saved.data()), qsizetype(saved.size()));
}

// Bytes [begin, end) of the image as a save would write them: the fix-up's copy holds the
// bytes it is copied from.
QByteArray SavedBytes(const modKrelin &model, qint64 begin, qint64 end)
{
    QByteArray bytes(reinterpret_cast<const char *>(model.bytesAt(begin, end - begin)), qsizetype(end - begin));
    if (model.romSize() >= FixUpImageSize)
        for (qint64 i = 0; i < 2; ++i)
            if (FixUpTarget + i >= begin && FixUpTarget + i < end)
                bytes[qsizetype(FixUpTarget + i - begin)] = char(model.byteAt(FixUpSource + i));
    return bytes;
}

} // namespace

QByteArray MasterPaletteBytes(const modKrelin &model)
{
    QByteArray palette;
    palette.reserve(192);
    for (std::size_t n = 0; n < 64; ++n)
        palette.append(char(model.NesRed[n])).append(char(model.NesGreen[n])).append(char(model.NesBlue[n]));
    return palette;
}

PlayerSession::PlayerSession(const modKrelin &model, QObject *parent) : QObject(parent), model(model)
{
    setObjectName(QStringLiteral("playerSession"));
    gather.setSingleShot(true);
    gather.setInterval(GatherTime);
    connect(&gather, &QTimer::timeout, this, &PlayerSession::sendChanges);
    connect(&model, &modKrelin::imageChanged, this, &PlayerSession::noteChange);
    connect(&model, &modKrelin::imageReplaced, this, &PlayerSession::noteReplaced);
    connect(&player, &PlayerConnection::reloaded, this, &PlayerSession::reloaded);
}

void PlayerSession::start(const QString &program, const QString &corePath, const QByteArray &state, bool showCoreLog)
{
    gather.stop();
    ranges.clear();
    replaced = false;
    waiting = sent = 0;
    player.start({program, corePath, MasterPaletteBytes(model), ImageBytes(model), state, showCoreLog});
}

void PlayerSession::noteChange(qint64 offset, qint64 length)
{
    if (!player.isRunning())
        return; // the next start takes the image as it is then
    ++waiting;
    if (!replaced) {
        const qint64 end = offset + length;
        if (!ranges.empty() && offset <= ranges.back().second && end >= ranges.back().first) {
            ranges.back().first = std::min(ranges.back().first, offset);
            ranges.back().second = std::max(ranges.back().second, end);
        } else if (ranges.size() < MostRanges) {
            ranges.emplace_back(offset, end);
        } else {
            replaced = true;
            ranges.clear();
        }
    }
    if (!gather.isActive())
        gather.start();
}

void PlayerSession::noteReplaced()
{
    if (!player.isRunning())
        return;
    ++waiting;
    replaced = true;
    ranges.clear();
    if (!gather.isActive())
        gather.start();
}

void PlayerSession::sendChanges()
{
    gather.stop();
    if (waiting == 0 || !player.isRunning() || player.awaits(MessageKind::Reloaded) || !model.hasImage())
        return;
    if (replaced) {
        player.sendImage(ImageBytes(model));
    } else {
        std::vector<std::pair<qint64, qint64>> merged = std::move(ranges);
        // The fix-up's copy changes with the bytes it copies.
        for (std::size_t i = 0, n = merged.size(); i < n; ++i)
            if (merged[i].first < FixUpSource + 2 && merged[i].second > FixUpSource)
                merged.emplace_back(FixUpTarget, FixUpTarget + 2);
        std::sort(merged.begin(), merged.end());
        std::vector<ByteRun> runs;
        qint64 begin = -1, end = -1;
        const auto flush = [&] {
            if (begin >= 0 && model.holds(begin, end - begin))
                runs.push_back({std::uint32_t(begin), SavedBytes(model, begin, end)});
        };
        for (const auto &[from, to] : merged) {
            if (begin >= 0 && from <= end) {
                end = std::max(end, to);
                continue;
            }
            flush();
            begin = from, end = to;
        }
        flush();
        player.sendEdits(runs);
    }
    ranges.clear();
    replaced = false;
    sent = std::exchange(waiting, 0);
}

void PlayerSession::reloaded(bool stateKept, const QString &message)
{
    emit imageReloaded(std::exchange(sent, 0), stateKept, message);
    if (waiting > 0 && !gather.isActive())
        sendChanges();
}

} // namespace krelin
