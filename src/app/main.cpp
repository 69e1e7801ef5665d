// krelin [IMAGE]                                        opens the editor, and IMAGE in it
// krelin --export OUT.png --stage S [--frame F] [--console-colours] IMAGE
//                                                       writes a stage's level map as a PNG
// krelin --make-patch / --apply-patch ...               makes or applies a patch
// krelin --patch-info PATCH                             says what a patch holds
// krelin --diff [--json] A B                            says what differs between two images
// krelin --export-tiles / --import-tiles ...            writes a stage's tiles as a PNG, or reads them back
// krelin --export-tiled / --import-tiled ...            writes a stage as a Tiled map, or reads it back
// krelin --play IMAGE --frames N ... --screenshot OUT   runs the image in the player, writes its picture
// krelin --player --socket FD                           the player process the editor starts
// krelin --help, --version                              print and end, with or without a display
#include "ArgumentNames.h"
#include "DiffCommand.h"
#include "Export.h"
#include "PatchCommand.h"
#include "PatchInfoCommand.h"
#include "PlayCommand.h"
#include "TileSheetCommand.h"
#include "TiledCommand.h"
#include "ProgramFolder.h"
#include "QuitSignals.h"
#include "core/SettingsFile.h"
#include "core/Version.h"
#include "core/modKrelin.h"
#include "widgets/QtDesktop.h"
#include "ui/frmKrelin.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool wantsExport(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--export") == 0 || std::strncmp(argv[i], "--export=", 9) == 0)
            return true;
    return false;
}

void fail(const QString &message)
{
    std::fprintf(stderr, "krelin: %s\n", qPrintable(message));
}

int runExport(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Writes a stage's level map as a PNG picture."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("export"), QStringLiteral("Write the picture to <file>."), QStringLiteral("file")});
    parser.addOption({QStringLiteral("stage"), QStringLiteral("The stage: 1A, 1B, 1C, 2A, 2B, 2C, 3, 4A, 4B, 5, 6 or 7."),
                      QStringLiteral("stage")});
    parser.addOption({QStringLiteral("frame"), QStringLiteral("Only this frame (default: the whole stage)."),
                      QStringLiteral("frame")});
    parser.addOption({QStringLiteral("console-colours"),
                      QStringLiteral("Colour 0 of every sub-palette as the console shows it (the backdrop).")});
    parser.addPositionalArgument(QStringLiteral("IMAGE"), QStringLiteral("The cartridge image (.NES)."));
    if (!parser.parse(app.arguments())) {
        fail(parser.errorText());
        return 2;
    }
    krelin::ExportRequest request;
    request.outputPath = parser.value(QStringLiteral("export"));
    request.stageName = parser.value(QStringLiteral("stage"));
    request.consoleColors = parser.isSet(QStringLiteral("console-colours"));
    const QStringList images = parser.positionalArguments();
    if (request.outputPath.isEmpty() || request.stageName.isEmpty() || images.size() != 1) {
        fail(QStringLiteral("Usage: krelin --export OUT.png --stage S [--frame F] [--console-colours] IMAGE"));
        return 2;
    }
    request.imagePath = images.first();
    if (parser.isSet(QStringLiteral("frame"))) {
        bool ok = false;
        request.frame = parser.value(QStringLiteral("frame")).toInt(&ok);
        if (!ok || request.frame < 0) {
            fail(QStringLiteral("--frame takes a frame number from 0 up, not \"%1\".")
                     .arg(krelin::QuotableText(parser.value(QStringLiteral("frame")))));
            return 2;
        }
    }
    QString paletteWarning;
    const QString error = krelin::ExportLevel(
        request, krelin::FindProgramFolder(QCoreApplication::applicationDirPath()), &paletteWarning);
    if (!paletteWarning.isEmpty())
        fail(paletteWarning.simplified());
    if (!error.isEmpty()) {
        fail(error);
        return 1;
    }
    return 0;
}

// The editor's options, and what the program does without a window.
void describeEditor(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "Level editor for the cartridge image of an NES game.\n"
        "\n"
        "Without a window:\n"
        "  krelin --export OUT.png --stage S [--frame F] [--console-colours] IMAGE\n"
        "      writes a stage's level map (or one frame of it) as a PNG picture; with\n"
        "      --console-colours, colour 0 of every sub-palette as the console shows it\n"
        "  krelin --make-patch OUT.ips|OUT.bps ORIGINAL MODIFIED [--description TEXT] [--author NAME]\n"
        "      writes the difference between two images as an IPS or BPS patch; a BPS patch\n"
        "      keeps the description and the author (IPS has no room for them)\n"
        "  krelin --apply-patch PATCH IMAGE OUT\n"
        "      writes IMAGE with PATCH applied to OUT\n"
        "  krelin --patch-info PATCH\n"
        "      prints a patch's format, sizes, checksums and description\n"
        "  krelin --diff [--json] A B\n"
        "      prints what differs between two images, stage by stage; exits 0 when they\n"
        "      are the same, 1 when they differ, 2 on trouble\n"
        "  krelin --export-tiles SHEET.png --stage S [--subpalette N] IMAGE\n"
        "      writes the stage's 256 tiles as a 128 x 128 indexed PNG in the four colours of\n"
        "      sub-palette N (0 to 3, default 0)\n"
        "  krelin --import-tiles SHEET.png --stage S [--subpalette N] IMAGE OUT\n"
        "      writes IMAGE to OUT with the stage's tiles read from SHEET.png\n"
        "  krelin --export-tiled OUT.tmx|OUT.tmj --stage S IMAGE\n"
        "      writes the stage as a map of the map editor Tiled, its metatiles as a tileset\n"
        "      picture OUT-metatiles.png beside it\n"
        "  krelin --import-tiled IN.tmx|IN.tmj --stage S [--other-image] IMAGE OUT\n"
        "      writes IMAGE to OUT with the stage's cells and rooms read from the map, and\n"
        "      prints what changed; --other-image takes a map made from another image\n"
        "  krelin --play IMAGE --frames N [--press FROM-TO:BUTTONS ...] [--state FILE] --screenshot OUT.png\n"
        "      runs IMAGE in the NES core for N frames, holding the buttons (right, left, up,\n"
        "      down, a, b, start, select) from frame FROM through TO, starting at a bookmark or\n"
        "      saved state FILE, and writes the core's picture as a PNG\n"
        "\n"
        "The editor keeps its unsaved work in $XDG_STATE_HOME/krelin (~/.local/state/krelin)\n"
        "and offers it back on the next start after a crash; SIGTERM, SIGHUP and SIGINT\n"
        "end it without asking, the work kept there."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("IMAGE"), QStringLiteral("A cartridge image (.NES) to open."),
                                 QStringLiteral("[IMAGE]"));
}

bool wantsHelpOrVersion(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i)
        for (const char *option : {"-h", "--help", "--help-all", "-?", "-v", "--version"})
            if (std::strcmp(argv[i], option) == 0)
                return true;
    return false;
}

// Help and version are read in a terminal, often one without a display: printed without
// starting the window system.
int printHelpOrVersion(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Krelin"));
    QCoreApplication::setApplicationVersion(krelin::VersionText());
    QCommandLineParser parser;
    describeEditor(parser);
    parser.process(app); // prints and ends the program
    return 0;
}

// nameProblem: why an argument cannot be used (see NonUtf8ArgumentProblem); the editor
// then opens without an image and says so.
int runEditor(int argc, char **argv, const QString &nameProblem)
{
    if (wantsHelpOrVersion(argc, argv))
        return printHelpOrVersion(argc, argv);
#if defined(Q_OS_LINUX)
    // Without a display Qt would abort with a long message; say it in one line instead.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        fail(QStringLiteral("No display to open the editor on (DISPLAY is not set); run it from a desktop "
                            "session, or under xvfb-run."));
        return 1;
    }
#endif
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Krelin"));
    QApplication::setApplicationVersion(krelin::VersionText());
    // Ties the window to the installed desktop entry (its name and icon in the task bar).
    QGuiApplication::setDesktopFileName(QStringLiteral("krelin"));
    // The window hides to the tray when minimised; the program ends only when asked to.
    QApplication::setQuitOnLastWindowClosed(false);

    QCommandLineParser parser;
    describeEditor(parser);
    parser.process(app);

    krelin::modKrelin model;
    krelin::QtDesktop desktop;
    // ~/.config/krelin/krelin.conf: the recent files, the preferences and the keys. One the
    // program cannot use is said in the terminal too, as the window will say it.
    krelin::SettingsFile settings(krelin::SettingsFile::userPath());
    if (!settings.problem().isEmpty())
        fail(settings.problem());
    krelin::frmKrelin window(model, desktop, krelin::FindProgramFolder(QCoreApplication::applicationDirPath()),
                             &settings);
    // Asked by the system to end (a shutdown, a kill, Ctrl+C): nobody may be there to answer.
    krelin::QuitSignals quitSignals;
    QObject::connect(&quitSignals, &krelin::QuitSignals::received, &window, &krelin::frmKrelin::QuitWithoutAsking);
    window.show();
    if (!nameProblem.isEmpty()) {
        // Qt has already made another name of it; opening that could open another file.
        fail(nameProblem);
        desktop.showMessage(&window, krelin::ProgramCaption(), nameProblem, krelin::Desktop::Icon::Warning);
    }
    // From the event loop, so that a signal that ends the program while it asks about work
    // left behind ends the question too.
    QTimer::singleShot(0, &window, [&window, image = nameProblem.isEmpty() ? parser.positionalArguments().value(0) : QString()] {
        window.OpenAtStart(image);
    });
    return app.exec();
}

} // namespace

int main(int argc, char **argv)
{
    // A write past the file size limit (ulimit -f) would end the program with SIGXFSZ and
    // take unsaved edits with it; ignored, the write fails with EFBIG and is reported.
    std::signal(SIGXFSZ, SIG_IGN);
    // The player process takes nothing from the command line but its socket.
    if (krelin::WantsPlayerProcess(argc, argv))
        return krelin::RunPlayerProcessCommand(argc, argv);
    // A file name that is not valid UTF-8 would reach the system as another name (and
    // perhaps another file): every command refuses it before touching any file.
    const QString nameProblem = krelin::NonUtf8ArgumentProblem(argc, argv);
    const bool patchCommand = krelin::WantsPatchCommand(argc, argv), exportCommand = wantsExport(argc, argv);
    const bool infoCommand = krelin::WantsPatchInfoCommand(argc, argv), diffCommand = krelin::WantsDiffCommand(argc, argv);
    const bool tileSheetCommand = krelin::WantsTileSheetCommand(argc, argv);
    const bool tiledCommand = krelin::WantsTiledCommand(argc, argv);
    const bool playCommand = krelin::WantsPlayCommand(argc, argv);
    if (!nameProblem.isEmpty() && (patchCommand || exportCommand || infoCommand || diffCommand || tileSheetCommand
                                   || tiledCommand || playCommand)) {
        fail(nameProblem);
        return diffCommand ? 2 : 1; // --diff exits as diff(1) does: 2 for trouble
    }
    if (patchCommand)
        return krelin::RunPatchCommand(argc, argv);
    if (infoCommand)
        return krelin::RunPatchInfoCommand(argc, argv);
    if (diffCommand)
        return krelin::RunDiffCommand(argc, argv);
    if (tileSheetCommand)
        return krelin::RunTileSheetCommand(argc, argv);
    if (tiledCommand)
        return krelin::RunTiledCommand(argc, argv);
    if (playCommand)
        return krelin::RunPlayCommand(argc, argv);
    return exportCommand ? runExport(argc, argv) : runEditor(argc, argv, nameProblem);
}
