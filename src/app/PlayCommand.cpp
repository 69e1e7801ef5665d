#include "PlayCommand.h"

#include "ArgumentNames.h"

#include "Export.h"
#include "ProgramFolder.h"
#include "core/MasterPalette.h"
#include "core/RomFile.h"
#include "core/SameFile.h"
#include "core/modKrelin.h"
#include "player/Bookmarks.h"
#include "player/CoreLocator.h"
#include "player/PlayerConnection.h"
#include "player/PlayerProcess.h"
#include "player/PlayerSession.h"
#include "render/LevelPicture.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QEventLoop>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace krelin {

namespace {

// A run of frames is answered within the player's time limit even by a slow core.
constexpr int FramesPerRequest = 60;

void fail(const QString &message)
{
    std::fprintf(stderr, "krelin: %s\n", qPrintable(message));
}

QString buttonList()
{
    QStringList names;
    for (const NamedButton &b : ButtonNames)
        names << QLatin1String(b.name);
    return names.join(QStringLiteral(", "));
}

// The buttons held in frame f, and the first frame after f where that changes (or end).
std::pair<JoypadButtons, qint64> heldAt(const std::vector<ButtonPress> &presses, qint64 f, qint64 end)
{
    JoypadButtons held = 0;
    qint64 next = end;
    for (const ButtonPress &p : presses) {
        if (p.from <= f && f <= p.to) {
            held |= p.buttons;
            next = std::min(next, p.to + 1);
        } else if (p.from > f) {
            next = std::min(next, p.from);
        }
    }
    return {held, next};
}

} // namespace

std::optional<ButtonPress> ParsePress(const QString &text, QString *error)
{
    const QString quoted = QuotableText(text);
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon < 0) {
        *error = QStringLiteral("--press takes FROM-TO:BUTTONS, such as 120-127:right+a, not \"%1\".").arg(quoted);
        return std::nullopt;
    }
    const QStringList frames = text.left(colon).split(QLatin1Char('-'));
    ButtonPress press;
    bool fromOk = false, toOk = frames.size() == 1;
    if (frames.size() <= 2) {
        press.from = frames[0].trimmed().toLongLong(&fromOk);
        press.to = frames.size() == 2 ? frames[1].trimmed().toLongLong(&toOk) : press.from;
    }
    if (!fromOk || !toOk || press.from < 0 || press.to < press.from) {
        *error = QStringLiteral("--press \"%1\": the frames are FROM-TO, two frame numbers from 0 up, the first not "
                                "after the second.")
                     .arg(quoted);
        return std::nullopt;
    }
    for (const QString &name : text.mid(colon + 1).split(QLatin1Char('+'))) {
        const QString wanted = name.trimmed().toLower();
        const auto found = std::find_if(std::begin(ButtonNames), std::end(ButtonNames),
                                        [&](const NamedButton &b) { return wanted == QLatin1String(b.name); });
        if (found == std::end(ButtonNames)) {
            *error = QStringLiteral("--press \"%1\": no button \"%2\"; the buttons are %3.")
                         .arg(quoted, QuotableText(name), buttonList());
            return std::nullopt;
        }
        press.buttons |= ButtonBit(found->button);
    }
    return press;
}

QString Play(const PlayRequest &request, const QString &program, const QString &programFolder, QString *paletteWarning)
{
    if (request.frames < 1 || request.frames > MaxPlayFrames)
        return QStringLiteral("--frames takes a number of frames from 1 to %1.").arg(MaxPlayFrames);
    for (const ButtonPress &p : request.presses)
        if (p.to >= request.frames)
            return QStringLiteral("--press %1-%2 goes past the last frame run (%3).").arg(p.from).arg(p.to).arg(request.frames - 1);
    for (const QString &input : {request.imagePath, request.statePath})
        if (!input.isEmpty() && IsSameFile(request.screenshotPath, input))
            return QStringLiteral("Will not write %1: it is the same file as %2.").arg(ShownPath(request.screenshotPath), ShownPath(input));
    if (const QString problem = PngNameProblem(request.screenshotPath, QStringLiteral("screenshot")); !problem.isEmpty())
        return problem;
    RomReadResult rom = ReadRomFile(request.imagePath);
    if (!rom.ok())
        return rom.error;
    QByteArray state;
    if (!request.statePath.isEmpty()) {
        const BookmarkRead read = ReadStateFile(request.statePath);
        if (!read.error.isEmpty())
            return read.error;
        state = read.state;
    }
    // A core named that is not there is said before anything runs.
    const CoreChoice core = ChooseCore();
    if (core.path.isEmpty())
        return core.problem;
    // The core and the palette file are read too.
    const QString overInput = OutputOverInputProblem(
        request.screenshotPath,
        {{core.path, QStringLiteral("core")}, {MasterPalettePath(programFolder), QStringLiteral("palette file")}});
    if (!overInput.isEmpty())
        return overInput;
    modKrelin model;
    const QString warning = LoadMasterPalette(model, programFolder);
    if (paletteWarning)
        *paletteWarning = warning;

    PlayerConnection player;
    QEventLoop loop;
    QString problem;
    qint64 done = 0;
    const auto runMore = [&] {
        if (done >= request.frames) {
            loop.quit();
            return;
        }
        const auto [held, next] = heldAt(request.presses, done, request.frames);
        const qint64 count = std::min<qint64>(next - done, FramesPerRequest);
        player.runFrames(int(count), held, false);
        done += count;
    };
    QObject::connect(&player, &PlayerConnection::started, &loop, [&](const QString &stateProblem) {
        if (!stateProblem.isEmpty()) {
            problem = QStringLiteral("%1: %2").arg(ShownPath(request.statePath), stateProblem);
            loop.quit();
            return;
        }
        runMore();
    });
    QObject::connect(&player, &PlayerConnection::framesRun, &loop, runMore);
    QObject::connect(&player, &PlayerConnection::stopped, &loop, [&](const QString &reason) {
        problem = QStringLiteral("The player stopped: %1.").arg(reason);
        loop.quit();
    });
    const QByteArray image(reinterpret_cast<const char *>(rom.bytes.data()), qsizetype(rom.bytes.size()));
    player.start({program, core.path, MasterPaletteBytes(model), image, state, false});
    loop.exec();
    if (!problem.isEmpty())
        return problem;
    if (player.picture().isNull())
        return QStringLiteral("The core %1 gave no picture in %2 frames.").arg(ShownPath(core.path)).arg(request.frames);
    return Sentence(SavePng(player.picture(), request.screenshotPath));
}

bool WantsPlayCommand(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i)
        if (IsOptionArgument(argv[i], "--play"))
            return true;
    return false;
}

int RunPlayCommand(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("play"), QStringLiteral("The image to run."), QStringLiteral("image")});
    parser.addOption({QStringLiteral("frames"), QStringLiteral("Frames to run."), QStringLiteral("n")});
    parser.addOption({QStringLiteral("press"), QStringLiteral("Buttons held."), QStringLiteral("from-to:buttons")});
    parser.addOption({QStringLiteral("state"), QStringLiteral("The state to start at."), QStringLiteral("file")});
    parser.addOption({QStringLiteral("screenshot"), QStringLiteral("The picture to write."), QStringLiteral("file")});
    const QString usage = QStringLiteral("Usage: krelin --play IMAGE --frames N [--press FROM-TO:BUTTONS ...] "
                                         "[--state FILE] --screenshot OUT.png");
    if (!parser.parse(app.arguments())) {
        fail(parser.errorText());
        return 1;
    }
    PlayRequest request;
    request.imagePath = parser.value(QStringLiteral("play"));
    request.screenshotPath = parser.value(QStringLiteral("screenshot"));
    request.statePath = parser.value(QStringLiteral("state"));
    if (request.imagePath.isEmpty() || request.screenshotPath.isEmpty() || !parser.isSet(QStringLiteral("frames"))
        || !parser.positionalArguments().isEmpty()) {
        fail(usage);
        return 1;
    }
    bool ok = false;
    request.frames = parser.value(QStringLiteral("frames")).toLongLong(&ok);
    if (!ok || request.frames < 1 || request.frames > MaxPlayFrames) {
        fail(QStringLiteral("--frames takes a number of frames from 1 to %1, not \"%2\".")
                 .arg(MaxPlayFrames)
                 .arg(QuotableText(parser.value(QStringLiteral("frames")))));
        return 1;
    }
    for (const QString &text : parser.values(QStringLiteral("press"))) {
        QString error;
        const std::optional<ButtonPress> press = ParsePress(text, &error);
        if (!press) {
            fail(error);
            return 1;
        }
        request.presses.push_back(*press);
    }
    QString paletteWarning;
    const QString error = Play(request, QCoreApplication::applicationFilePath(),
                               FindProgramFolder(QCoreApplication::applicationDirPath()), &paletteWarning);
    if (!error.isEmpty()) {
        fail(error);
        return 1;
    }
    if (!paletteWarning.isEmpty())
        fail(paletteWarning.simplified());
    return 0;
}

bool WantsPlayerProcess(int argc, char **argv)
{
    return argc >= 2 && std::strcmp(argv[1], "--player") == 0;
}

int RunPlayerProcessCommand(int argc, char **argv)
{
    // Started by the editor with its end of a socket: krelin --player --socket FD.
    int socket = -1;
    if (argc == 4 && std::strcmp(argv[2], "--socket") == 0) {
        char *end = nullptr;
        const long fd = std::strtol(argv[3], &end, 10);
        if (end && *end == '\0' && fd >= 3 && fd < 65536)
            socket = int(fd);
    }
    if (socket < 0) {
        fail(QStringLiteral("--player is started by the editor (krelin --player --socket FD); it is not a command "
                            "of its own."));
        return 1;
    }
    QCoreApplication app(argc, argv);
    return RunPlayerProcess(socket);
}

} // namespace krelin
