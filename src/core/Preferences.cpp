#include "Preferences.h"

#include "BackupStore.h"
#include "SettingsFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include <algorithm>

namespace krelin {

namespace {

const QString TileEditorNoticeKey = QStringLiteral("notices/tileEditorRefresh");
const QString PaletteQuestionKey = QStringLiteral("notices/paletteRefresh");
const QString EmulatorCommandKey = QStringLiteral("emulator/command");
const QString PixelGridKey = QStringLiteral("tileEditor/pixelGrid");
const QString ConsoleColorsKey = QStringLiteral("view/consoleColours");
const QString BackupsKeptKey = QStringLiteral("backups/kept");
const QString StageMapZoomKey = QStringLiteral("stageMap/zoom");
const QString FrameLinesKey = QStringLiteral("stageMap/frameLines");
const QString TiledCommandKey = QStringLiteral("tiled/command");
const QString TiledSaveQuestionKey = QStringLiteral("tiled/askOnSave");
const QString DefaultTiledCommand = QStringLiteral("tiled %f");
const QString PlayerCoreKey = QStringLiteral("player/core");
const QString PlayerScaleKey = QStringLiteral("player/scale");
const QString PlayerFullScreenKey = QStringLiteral("player/fullScreen");
const QString PlayerMutedKey = QStringLiteral("player/muted");

} // namespace

Preferences::Preferences(QSettings *settings, QObject *parent)
    : QObject(parent)
    , settings(settings)
    , kept(BackupStore::DefaultKept)
{
    setObjectName(QStringLiteral("preferences"));
    if (!settings)
        return;
    tileNotice = readBool(TileEditorNoticeKey, true);
    paletteAsked = readBool(PaletteQuestionKey, true);
    gridLines = readBool(PixelGridKey, true);
    linesBetweenFrames = readBool(FrameLinesKey, true);
    if (settings->contains(StageMapZoomKey)) {
        bool ok = false;
        const int percent = settings->value(StageMapZoomKey).toString().trimmed().toInt(&ok);
        if (ok && percent >= MinStageMapZoom && percent <= MaxStageMapZoom)
            zoom = percent;
        else
            unreadableKeys << StageMapZoomKey;
    }
    console = readBool(ConsoleColorsKey, false);
    tiledAsked = readBool(TiledSaveQuestionKey, true);
    if (settings->contains(BackupsKeptKey)) {
        bool ok = false;
        const int count = settings->value(BackupsKeptKey).toString().trimmed().toInt(&ok);
        if (ok && count >= 0 && count <= MaxBackupsKept)
            kept = count;
        else
            unreadableKeys << BackupsKeptKey;
    }
    core = settings->value(PlayerCoreKey).toString().trimmed();
    if (settings->contains(PlayerScaleKey)) {
        bool ok = false;
        const int value = settings->value(PlayerScaleKey).toString().trimmed().toInt(&ok);
        if (ok && value >= MinPlayerScale && value <= MaxPlayerScale)
            scale = value;
        else
            unreadableKeys << PlayerScaleKey;
    }
    fullScreen = readBool(PlayerFullScreenKey, false);
    muted = readBool(PlayerMutedKey, false);
}

// QVariant takes any text but "false" and "0" as true: a value edited by hand into
// something else is not a choice of the user's.
bool Preferences::readBool(const QString &key, bool fallback)
{
    if (!settings->contains(key))
        return fallback;
    const QString text = settings->value(key).toString().trimmed().toLower();
    if (text == QLatin1String("true") || text == QLatin1String("1"))
        return true;
    if (text == QLatin1String("false") || text == QLatin1String("0"))
        return false;
    unreadableKeys << key;
    return fallback;
}

void Preferences::store(const QString &key, const QVariant &value)
{
    if (!settings)
        return;
    settings->setValue(key, value);
    SaveSettings(*settings);
}

void Preferences::setTileEditorNotice(bool shown)
{
    if (tileNotice == shown)
        return;
    tileNotice = shown;
    store(TileEditorNoticeKey, shown);
    emit tileEditorNoticeChanged(shown);
}

void Preferences::setPaletteQuestion(bool asked)
{
    if (paletteAsked == asked)
        return;
    paletteAsked = asked;
    store(PaletteQuestionKey, asked);
    emit paletteQuestionChanged(asked);
}

QString Preferences::emulatorCommand() const
{
    if (!settings)
        return sessionEmulatorCommand;
    settings->sync();
    return settings->value(EmulatorCommandKey).toString();
}

void Preferences::setEmulatorCommand(const QString &command)
{
    sessionEmulatorCommand = command;
    store(EmulatorCommandKey, command);
}

QString Preferences::tiledCommand() const
{
    QString command = sessionTiledCommand;
    if (settings) {
        settings->sync();
        command = settings->value(TiledCommandKey).toString();
    }
    // An emptied command is the one the program starts with.
    return command.trimmed().isEmpty() ? DefaultTiledCommand : command;
}

void Preferences::setTiledCommand(const QString &command)
{
    sessionTiledCommand = command;
    store(TiledCommandKey, command);
}

void Preferences::setTiledSaveQuestion(bool asked)
{
    if (tiledAsked == asked)
        return;
    tiledAsked = asked;
    store(TiledSaveQuestionKey, asked);
}

void Preferences::setBackupsKept(int count)
{
    count = std::clamp(count, 0, MaxBackupsKept);
    if (kept == count)
        return;
    kept = count;
    store(BackupsKeptKey, count);
}

void Preferences::setPlayerCore(const QString &path)
{
    if (core == path.trimmed())
        return;
    core = path.trimmed();
    store(PlayerCoreKey, core);
}

void Preferences::setPlayerScale(int value)
{
    value = std::clamp(value, MinPlayerScale, MaxPlayerScale);
    if (scale == value)
        return;
    scale = value;
    store(PlayerScaleKey, value);
}

void Preferences::setPlayerFullScreen(bool on)
{
    if (fullScreen == on)
        return;
    fullScreen = on;
    store(PlayerFullScreenKey, on);
}

void Preferences::setPlayerMuted(bool on)
{
    if (muted == on)
        return;
    muted = on;
    store(PlayerMutedKey, on);
}

void Preferences::setPixelGrid(bool shown)
{
    if (gridLines == shown)
        return;
    gridLines = shown;
    store(PixelGridKey, shown);
    emit pixelGridChanged(shown);
}

void Preferences::setStageMapZoom(int percent)
{
    percent = std::clamp(percent, MinStageMapZoom, MaxStageMapZoom);
    if (zoom == percent)
        return;
    zoom = percent;
    store(StageMapZoomKey, percent);
}

void Preferences::setFrameLines(bool shown)
{
    if (linesBetweenFrames == shown)
        return;
    linesBetweenFrames = shown;
    store(FrameLinesKey, shown);
    emit frameLinesChanged(shown);
}

void Preferences::setConsoleColors(bool on)
{
    if (console == on)
        return;
    console = on;
    store(ConsoleColorsKey, on);
    emit consoleColorsChanged(on);
}

namespace {

QStringList sorted(QStringList keys)
{
    keys.sort();
    return keys;
}

} // namespace

QString UnreadableSettingsText(const QSettings &settings, const QStringList &keys)
{
    const QString defaultsUsed = QStringLiteral(" Their defaults are used in their place.");
    const auto *file = qobject_cast<const SettingsFile *>(&settings);
    const QString path = QDir::toNativeSeparators(file ? file->path() : settings.fileName());
    QString what;
    if (file)
        what = file->problem();
    else if (const QFileInfo info(settings.fileName()); info.exists() && !info.isReadable())
        what = QStringLiteral("The settings file %1 cannot be read: permission denied.").arg(path) + defaultsUsed;
    else if (settings.status() == QSettings::FormatError)
        what = QStringLiteral("The settings file %1 is not in a form Krelin can read.").arg(path) + defaultsUsed;
    if (!keys.isEmpty())
        what += (what.isEmpty() ? QString() : QStringLiteral(" "))
            + QStringLiteral("Some settings in %1 could not be read: %2.").arg(path, sorted(keys).join(QStringLiteral(", ")))
            + defaultsUsed;
    return what;
}

} // namespace krelin
