// Writes the fuzz targets' seed corpus from the sample cartridge: for each target a few
// inputs around the sizes and requests that matter, so that fuzzing starts from images
// that reach every view instead of from nothing.
//   krelin_make_seeds SAMPLE.nes OUTPUT_FOLDER

#include "FuzzSupport.h"

#include "core/Crc32.h"
#include "core/JournalFormat.h"
#include "core/MasterPalette.h"
#include "core/Patch.h"
#include "core/StageTable.h"
#include "edit/JournalSession.h"
#include "core/modKrelin.h"
#include "player/PlayerMessages.h"
#include "tiled/TiledExport.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>

using namespace krelin;

namespace {

bool write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// An export request in the layout the export target reads.
QByteArray exportRequest(int outputKind, const QByteArray &stage, qint32 frame, const QByteArray &image)
{
    QByteArray bytes;
    bytes.append(char(outputKind));
    bytes.append(char(stage.size()));
    bytes.append(stage);
    for (int i = 0; i < 4; ++i)
        bytes.append(char((quint32(frame) >> (8 * i)) & 0xFF));
    return bytes + image;
}

QByteArray bytes(const std::vector<std::uint8_t> &v)
{
    return QByteArray(reinterpret_cast<const char *>(v.data()), qsizetype(v.size()));
}

// A request to the patch target: what to do, then its bytes.
QByteArray patchRequest(int mode, const QByteArray &rest)
{
    return char(mode) + rest;
}

// A request to make patches from original to modified and apply them.
QByteArray makeRequest(const QByteArray &original, const QByteArray &modified)
{
    const auto n = quint16(original.size());
    QByteArray request;
    request.append(char(n & 0xFF)).append(char(n >> 8));
    return patchRequest(3, request + original + modified);
}

// A journal of a session on the first KiB of image: three steps (one growing the image), one
// merged into, one undone, saved at the first; as the journal file, and cut short.
QByteArray journal(const QByteArray &image)
{
    const std::span<const std::uint8_t> base(reinterpret_cast<const std::uint8_t *>(image.constData()), 1024);
    JournalWriter out(true);
    PutBegin(out, QStringLiteral("/home/user/game.nes"), qint64(base.size()), Crc32(base), base);
    const auto step = [&](bool merged, qint64 offset, std::uint8_t before, std::uint8_t after, qint64 newSize) {
        StepChanges changes;
        changes.runs.push_back({offset, {before}, {after}});
        if (newSize >= 0) {
            changes.sizeBefore = qint64(base.size());
            changes.sizeAfter = newSize;
        }
        PutStep(out, merged, QStringLiteral("Place Metatile"), changes);
    };
    step(false, 0x20, base[0x20], 0x11, -1);
    PutClean(out, 1);
    step(false, 0x30, base[0x30], 0x22, -1);
    step(true, 0x30, base[0x30], 0x33, -1);
    step(false, 1030, 0, 0x44, 1040);
    PutIndex(out, 2);
    return QByteArray(1, char(0)) + QByteArray(reinterpret_cast<const char *>(out.bytes().data()), qsizetype(out.bytes().size()));
}

// A journal as the fuzz target's second form: each record as its kind, its length in two
// bytes and its body, the framing left to the target.
QByteArray asRecords(const QByteArray &file)
{
    QByteArray records(1, char(1));
    const JournalRecords read =
        ReadJournalRecords({reinterpret_cast<const std::uint8_t *>(file.constData()), std::size_t(file.size())});
    for (const JournalRecord &r : read.records) {
        const std::size_t length = std::min<std::size_t>(r.body.size(), 0xFFFF);
        records.append(char(r.kind)).append(char(length & 0xFF)).append(char(length >> 8));
        records.append(reinterpret_cast<const char *>(r.body.data()), qsizetype(length));
    }
    return records;
}

// Conversations between the editor and its player, in the layout the player target reads:
// what a player answers (after the requests it answers), and what an editor asks.
QByteArray playerAnswers(const std::vector<MessageKind> &requests, const std::vector<QByteArray> &answers)
{
    QByteArray bytes(1, char(0));
    bytes.append(char(requests.size()));
    for (const MessageKind request : requests)
        bytes.append(char(int(request) - 1));
    QByteArray sent;
    for (const QByteArray &answer : answers)
        sent += answer;
    const auto cut = quint16(sent.size() / 2);
    bytes.append(char(cut & 0xFF)).append(char(cut >> 8));
    return bytes + sent;
}

QByteArray frames(int count, int width, int height, int first, int rows, int samples)
{
    QByteArray pixels;
    for (int i = 0; i < width * rows; ++i)
        pixels.append(char(i)).append(char(count)).append(char(first)).append('\xFF');
    return MessageWriter(MessageKind::Frames)
        .u16(std::uint16_t(count)).u16(std::uint16_t(width)).u16(std::uint16_t(height))
        .u16(std::uint16_t(first)).u16(std::uint16_t(rows))
        .raw(pixels.constData(), pixels.size())
        .bytes(QByteArray(4 * samples, '\x01'))
        .finish();
}

QByteArray editorRequests(const std::vector<QByteArray> &requests)
{
    QByteArray bytes(1, char(1));
    for (const QByteArray &request : requests)
        bytes += request;
    return bytes;
}

QByteArray start(int imageSize, bool palette, const QByteArray &state = {})
{
    QByteArray image;
    for (int i = 0; i < imageSize; ++i)
        image.append(char(1 + 3 * i));
    return MessageWriter(MessageKind::Start)
        .text(QStringLiteral("core.so"))
        .bytes(palette ? QByteArray(192, '\x20') : QByteArray())
        .bytes(image)
        .bytes(state)
        .finish();
}

QByteArray run(int count, int buttons, bool sound)
{
    return MessageWriter(MessageKind::Run).u16(std::uint16_t(count)).u16(std::uint16_t(buttons)).u8(sound).finish();
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: krelin_make_seeds SAMPLE.nes OUTPUT_FOLDER\n");
        return 2;
    }
    QFile sampleFile(QFile::decodeName(argv[1]));
    if (!sampleFile.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "krelin_make_seeds: cannot read %s\n", argv[1]);
        return 1;
    }
    const QByteArray sample = sampleFile.readAll();
    const QDir out(QFile::decodeName(argv[2]));

    qint64 smallest = StageBytesNeeded(StageTable[0]), largest = smallest;
    for (const Stage &stage : StageTable) {
        smallest = std::min(smallest, StageBytesNeeded(stage));
        largest = std::max(largest, StageBytesNeeded(stage));
    }
    const QByteArray grown = sample + QByteArray(4096, char(0xFF));

    bool ok = true;
    for (const char *target :
         {"fuzz_image", "fuzz_palette", "fuzz_export", "fuzz_patch", "fuzz_stage", "fuzz_journal", "fuzz_tiled",
          "fuzz_player", "fuzz_tmj"})
        ok = out.mkpath(QLatin1String(target)) && ok;
    const auto put = [&](const char *target, const char *name, const QByteArray &bytes) {
        ok = write(out.filePath(QLatin1String(target) + u'/' + QLatin1String(name)), bytes) && ok;
    };

    put("fuzz_image", "whole", sample);
    put("fuzz_image", "grown", grown);
    put("fuzz_image", "every-stage-but-one", sample.left(largest - 1));
    put("fuzz_image", "one-stage", sample.left(smallest));
    put("fuzz_image", "no-stage", sample.left(smallest - 1));
    put("fuzz_image", "header-only", sample.left(16));

    const QByteArray palette = StandardPaletteFile();
    put("fuzz_palette", "exact", palette);
    put("fuzz_palette", "longer", palette + QByteArray(48, char(0x3F)));
    put("fuzz_palette", "one-short", palette.left(MasterPaletteFileSize - 1));
    put("fuzz_palette", "header-only", palette.left(16));

    put("fuzz_export", "frame", exportRequest(0, "3", 5, sample));
    put("fuzz_export", "strip", exportRequest(0, "1C", -1, sample));
    put("fuzz_export", "last-frame-lower-case", exportRequest(0, "2b", 13, grown));
    put("fuzz_export", "frame-past-end", exportRequest(0, "7", 1, sample));
    put("fuzz_export", "unknown-stage", exportRequest(0, "8", 0, sample));
    put("fuzz_export", "image-too-short", exportRequest(0, "5", 0, sample.left(largest - 1)));
    put("fuzz_export", "output-is-image", exportRequest(1, "1A", 0, sample));
    put("fuzz_export", "output-links-image", exportRequest(2, "4A", 0, sample));
    put("fuzz_export", "output-hard-link", exportRequest(3, "6", 9, sample));

    // Patches made for the patch target's image by the program's own writers (changed
    // bytes, a long run, a grown and a cut image), and the two images they join.
    const std::vector<std::uint8_t> image = fuzz::PatchTargetImage();
    std::vector<std::uint8_t> changed = image;
    changed[20] ^= 0xFF;
    std::fill(changed.begin() + 100, changed.begin() + 160, std::uint8_t(0xA5));
    std::vector<std::uint8_t> longer = changed;
    longer.insert(longer.end(), 40, std::uint8_t(7));
    const std::vector<std::uint8_t> cut(changed.begin(), changed.begin() + 300);
    const std::pair<const char *, std::vector<std::uint8_t>> targets[] = {{"changed", changed}, {"grown", longer}, {"cut", cut}};
    for (const auto &[name, target] : targets) {
        put("fuzz_patch", (std::string("ips-") + name).c_str(), patchRequest(0, bytes(MakeIpsPatch(image, target))));
        put("fuzz_patch", (std::string("bps-") + name).c_str(), patchRequest(0, bytes(MakeBpsPatch(image, target))));
        put("fuzz_patch", (std::string("bps-checked-") + name).c_str(), patchRequest(2, bytes(MakeBpsPatch(image, target))));
        put("fuzz_patch", (std::string("make-") + name).c_str(), makeRequest(bytes(image), bytes(target)));
    }
    // A BPS patch with every action, copies from the source and from what it made so far.
    QByteArray actions("BPS1\x00\x83\x8C\x80" // source 512 (two bytes), target 12, no metadata
                       "\x84"                  // SourceRead 2
                       "\x89xyz"               // TargetRead 3
                       "\x86\x2C\x81"        // SourceCopy 2 from +150
                       "\x82\x2D\x81"        // SourceCopy 1 from -150, just after the first
                       "\x8F\x8C",            // TargetCopy 4 from +6, overlapping what it writes
                       8 + 1 + 4 + 3 + 3 + 2);
    const std::vector<std::uint8_t> made{image[0], image[1], 'x', 'y', 'z', image[150], image[151], image[2],
                                         image[151], image[2], image[151], image[2]};
    for (const std::uint32_t crc : {Crc32(image), Crc32(made)})
        actions += QByteArray(reinterpret_cast<const char *>(&crc), 4); // the machine is little-endian
    const std::uint32_t own = Crc32(std::span(reinterpret_cast<const std::uint8_t *>(actions.constData()),
                                              std::size_t(actions.size())));
    actions += QByteArray(reinterpret_cast<const char *>(&own), 4);
    const auto *actionBytes = reinterpret_cast<const std::uint8_t *>(actions.constData());
    ok = ApplyPatch({actionBytes, std::size_t(actions.size())}, image).bytes == made && ok; // spelled right
    put("fuzz_patch", "bps-every-action", patchRequest(0, actions));
    put("fuzz_patch", "ips-run-of-none", patchRequest(0, QByteArray("PATCH\0\0\x10\0\0\0\0\x42" "EOF", 16)));

    // Each stage of the sample once, at its last frame and page, and one stage of an
    // image too short for it.
    for (int s = 0; s < StageCount; ++s) {
        QByteArray request;
        for (const int b : {s, StageTable[std::size_t(s)].Frames - 1, TablePages - 1, 0xFF})
            request.append(char(b));
        put("fuzz_stage", (std::string("stage-") + StageTable[std::size_t(s)].name).c_str(), request + sample);
    }
    put("fuzz_stage", "too-short", QByteArray("\x07\x00\x03\x22", 4) + sample.left(smallest - 1));

    const QByteArray session = journal(sample);
    // The seed must read back whole, or the fuzzer starts from less than it seems to.
    const JournalSession read =
        ReadJournal({reinterpret_cast<const std::uint8_t *>(session.constData()) + 1, std::size_t(session.size() - 1)});
    ok = read.valid && !read.cutShort && read.steps.size() == 3 && read.index == 2 && read.clean == 1 && ok;
    // Maps of stage 1C of the Tiled target's image, and packed layer data.
    modKrelin tiledModel;
    tiledModel.replaceImage(fuzz::TiledTargetImage());
    tiledModel.ApplyStage(*FindStage("1C"));
    for (const auto &[format, name] : {std::pair{TiledFormat::Tmx, "map-tmx"}, std::pair{TiledFormat::Tmj, "map-tmj"}})
        put("fuzz_tiled", name, '\0' + EncodeTiledStage(tiledModel, format, QStringLiteral("t.png"), {}).map);
    put("fuzz_tmj", "map", EncodeTiledStage(tiledModel, TiledFormat::Tmj, QStringLiteral("t.png"), {}).map);
    QByteArray cells;
    for (int i = 0; i < 16; ++i)
        cells.append(char(i + 1)).append(3, '\0');
    put("fuzz_tiled", "zlib-cells", '\1' + qCompress(cells).mid(4));
    put("fuzz_tiled", "zlib-too-many", '\1' + qCompress(cells + cells).mid(4));
    put("fuzz_journal", "session", session);
    put("fuzz_journal", "cut-short", session.left(session.size() - 5));
    put("fuzz_journal", "records", asRecords(session.mid(1)));

    const QByteArray started = MessageWriter(MessageKind::Started)
                                   .text(QStringLiteral("Test core 1.0")).f64(50).f64(32000).text(QString()).finish();
    put("fuzz_player", "answers",
        playerAnswers({MessageKind::Start, MessageKind::Run, MessageKind::Run, MessageKind::SaveState},
                      {started, frames(2, 16, 8, 0, 8, 200), frames(1, 16, 8, 3, 2, 0),
                       MessageWriter(MessageKind::State).bytes(QByteArray("TEST\0\0\0\0", 8)).finish()}));
    put("fuzz_player", "answers-then-failed",
        playerAnswers({MessageKind::Start, MessageKind::Run},
                      {started, MessageWriter(MessageKind::Failed).text(QStringLiteral("the core crashed")).finish()}));
    put("fuzz_player", "reloads",
        playerAnswers({MessageKind::Edit, MessageKind::Image, MessageKind::Reset, MessageKind::RestoreState},
                      {MessageWriter(MessageKind::Reloaded).u8(1).text(QString()).finish(),
                       MessageWriter(MessageKind::Reloaded).u8(0).text(QStringLiteral("another size")).finish(),
                       MessageWriter(MessageKind::ResetDone).finish(),
                       MessageWriter(MessageKind::Restored).u8(0).text(QStringLiteral("not a state")).finish()}));
    put("fuzz_player", "requests",
        editorRequests({start(200, true), run(5, 0x81, true),
                        MessageWriter(MessageKind::Edit).u32(2).u32(3).bytes("\xEE\xEF").u32(199).bytes("\x10").finish(),
                        MessageWriter(MessageKind::SaveState).finish(), MessageWriter(MessageKind::Reset).finish(),
                        MessageWriter(MessageKind::RestoreState).bytes("not a state").finish(),
                        MessageWriter(MessageKind::Image).bytes(QByteArray(300, '\x05')).finish(), run(1, 0, false)}));
    put("fuzz_player", "requests-before-start", editorRequests({run(1, 0, false)}));
    put("fuzz_player", "edit-outside",
        editorRequests({start(64, false), MessageWriter(MessageKind::Edit).u32(1).u32(64).bytes("\x01").finish()}));

    if (!ok) {
        std::fprintf(stderr, "krelin_make_seeds: cannot write the seeds into %s\n", argv[2]);
        return 1;
    }
    return 0;
}
